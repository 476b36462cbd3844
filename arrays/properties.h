// The properties as the array layer sees them: one row each, holding the name,
// the number of inputs, the loop over the model and the ufunc docstring. The
// rows come from the property table (python/Halx/_table.py, written out as
// property_rows.h at build time), so a property is added or fixed in one place.
#ifndef HALX_ARRAYS_PROPERTIES_H
#define HALX_ARRAYS_PROPERTIES_H

#include "Derived.h"
#include "Halx.h"
#include "loops.h"
#include "property_rows.h"

namespace halx::arrays {

struct Property {
    const char *name;
    int inputs;
    PropertyLoop loop;
    const char *doc;  // UTF-8; NumPy puts the call signature in front of it
    bool gives_code;  // the loop stores one-byte codes (the phase) instead of doubles
};

inline constexpr Property Properties[] = {
#define HALX_ARRAY_ROW(name, inputs, model, doc) \
    {#name, inputs, loop_of<inputs, &model>(), doc, gives_code<&model>()},
    HALX_PROPERTIES(HALX_ARRAY_ROW)
#undef HALX_ARRAY_ROW
};

inline constexpr int PropertyCount = sizeof(Properties) / sizeof(Properties[0]);

}  // namespace halx::arrays

#endif  // HALX_ARRAYS_PROPERTIES_H
