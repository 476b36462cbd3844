// The properties as the array layer sees them: one row each, holding the
// signature (name, arguments and their plausible spans), the loop, the ufunc
// docstring and the kind of result. The rows come from the property table
// (python/Halx/_table.py, written out as common/property_rows.h), so a
// property is added or fixed in one place. Compile-time data; never fails.
#ifndef HALX_UFUNCS_PROPERTIES_H
#define HALX_UFUNCS_PROPERTIES_H

#include "loops.h"
#include "model_call.h"
#include "property_rows.h"
#include "signature.h"

namespace Halx::ufuncs {

struct Property {
    common::Signature signature;
    PropertyLoop loop;
    const char *doc;      // UTF-8; NumPy puts the call signature in front of it
    bool gives_code;      // the loop stores one-byte codes (the phase) instead of doubles
    Halx::Span spans[2];  // the plausible span of each argument, in call order, as the loops take them
};

constexpr Property make_property(const common::Signature &signature, PropertyLoop loop, const char *doc,
                                 bool gives_code) {
    return {signature, loop, doc, gives_code, {signature.arguments[0].plausible, signature.arguments[1].plausible}};
}

inline constexpr Property Properties[] = {
#define HALX_ARRAY_ROW(name, inputs, model, result, kernel, arguments, doc, ufunc_doc)                           \
    make_property({#name, inputs, {HALX_UNPARENTHESISE arguments}}, row_loop<inputs, &model, kernel>, ufunc_doc, \
                  common::gives_code<&model>),
HALX_PROPERTIES(HALX_ARRAY_ROW)
#undef HALX_ARRAY_ROW
};

inline constexpr int PropertyCount = sizeof(Properties) / sizeof(Properties[0]);

}  // namespace Halx::ufuncs

#endif  // HALX_UFUNCS_PROPERTIES_H
