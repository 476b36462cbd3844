# What every extension module needs: the Python to build for (and NumPy for
# Halx._ufuncs), and the setup of each module's target.
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

# The setup every extension module shares: the model, what common/ holds (the
# rows of the property table, the reference holder, the number rule, the export
# macro), our warnings, the C++ runtime.
function(halx_extension_module target)
    target_link_libraries(${target} PRIVATE halx_model)
    target_include_directories(${target} PRIVATE "${PROJECT_SOURCE_DIR}/common" "${HALX_GENERATED_DIR}")
    target_compile_options(${target} PRIVATE ${HALX_WARNINGS})
    if(HALX_STATIC_CXX_RUNTIME)
        target_sources(${target} PRIVATE "${PROJECT_SOURCE_DIR}/common/static_runtime.cpp")
        target_link_options(${target} PRIVATE -static-libstdc++ "LINKER:--exclude-libs,ALL")
    endif()
endfunction()
