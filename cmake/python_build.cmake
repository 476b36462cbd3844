# What every extension module needs: the Python to build for (and NumPy for
# Halx._ufuncs), and the rows of the property table as a generated header.
# Included by the top-level CMakeLists.txt when HALX_PYTHON is on.

# --- Python, and NumPy for the ufuncs -----------------------------------------------
set(HALX_PYTHON_COMPONENTS Interpreter Development.Module)
if(HALX_UFUNCS)
    list(APPEND HALX_PYTHON_COMPONENTS NumPy)
endif()
find_package(Python 3.8 COMPONENTS ${HALX_PYTHON_COMPONENTS})
if(NOT Python_Interpreter_FOUND OR NOT Python_Development.Module_FOUND)
    message(FATAL_ERROR "Halx needs a Python 3.8 or later interpreter with its development headers.")
endif()
if(HALX_UFUNCS AND NOT Python_NumPy_FOUND)
    message(FATAL_ERROR
        "Halx._ufuncs needs NumPy in the build environment (${Python_EXECUTABLE}). "
        "Install numpy, or configure with -DHALX_UFUNCS=OFF.")
endif()

# --- The property table ---------------------------------------------------------
# python/Halx/_table.py describes every property and constant once. The modules
# take their rows from it as a generated header of X-macros,
# <build>/generated/property_rows.h, written again whenever the table or its
# generator changes. A target that includes it calls halx_use_property_rows.
set(HALX_GENERATED_DIR "${PROJECT_BINARY_DIR}/generated")
set(HALX_PROPERTY_TABLE "${PROJECT_SOURCE_DIR}/python/Halx/_table.py")
set(HALX_ROW_WRITER "${PROJECT_SOURCE_DIR}/cmake/write_property_rows.py")
add_custom_command(
    OUTPUT "${HALX_GENERATED_DIR}/property_rows.h"
    COMMAND "${Python_EXECUTABLE}" "${HALX_ROW_WRITER}" "${HALX_PROPERTY_TABLE}"
            "${HALX_GENERATED_DIR}/property_rows.h"
    DEPENDS "${HALX_PROPERTY_TABLE}" "${HALX_ROW_WRITER}"
    COMMENT "Writing property_rows.h from the property table"
    VERBATIM)
add_custom_target(halx_property_rows DEPENDS "${HALX_GENERATED_DIR}/property_rows.h")

# The setup every extension module shares: the model, the generated rows, the
# reference holder and export macro of common/, and our warnings.
function(halx_extension_module target)
    target_link_libraries(${target} PRIVATE halx_model)
    target_include_directories(${target} PRIVATE "${HALX_GENERATED_DIR}" "${PROJECT_SOURCE_DIR}/common")
    add_dependencies(${target} halx_property_rows)
    target_compile_options(${target} PRIVATE ${HALX_WARNINGS})
endfunction()
