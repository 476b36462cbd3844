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

# --- The C++ runtime ---------------------------------------------------------------
# A wheel runs on systems older than the one that builds it. Against the
# shared libstdc++ it would need that of GCC 11 or later (GLIBCXX_3.4.29:
# std::__throw_bad_array_new_length, which every std::vector allocation calls
# for an impossible size), that is glibc 2.34's manylinux baseline, which the
# clusters' RHEL 8 and older do not meet. Linked statically, only the parts
# of libstdc++ the modules use are copied in, with their symbols kept local
# (--exclude-libs); the three newer glibc symbols that those parts name are
# supplied by common/static_runtime.cpp. What is left to resolve at load time
# is glibc 2.17's: the wheels are manylinux2014. The sanitizers intercept the
# shared library's throw, so their builds keep it.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang" AND NOT HALX_SANITIZE)
    set(HALX_STATIC_CXX_RUNTIME_DEFAULT ON)
else()
    set(HALX_STATIC_CXX_RUNTIME_DEFAULT OFF)
endif()
option(HALX_STATIC_CXX_RUNTIME "Link libstdc++ statically into the extension modules (Linux)"
       ${HALX_STATIC_CXX_RUNTIME_DEFAULT})

# The setup every extension module shares: the model, the generated rows, the
# reference holder and export macro of common/, our warnings, the C++ runtime.
function(halx_extension_module target)
    target_link_libraries(${target} PRIVATE halx_model)
    target_include_directories(${target} PRIVATE "${HALX_GENERATED_DIR}" "${PROJECT_SOURCE_DIR}/common")
    add_dependencies(${target} halx_property_rows)
    target_compile_options(${target} PRIVATE ${HALX_WARNINGS})
    if(HALX_STATIC_CXX_RUNTIME)
        target_sources(${target} PRIVATE "${PROJECT_SOURCE_DIR}/common/static_runtime.cpp")
        target_link_options(${target} PRIVATE -static-libstdc++ "LINKER:--exclude-libs,ALL")
    endif()
endfunction()
