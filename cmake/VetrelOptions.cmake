# Compiler settings shared by every target of ours (third-party code keeps its own warnings).
add_library(vetrel_warnings INTERFACE)
target_compile_options(vetrel_warnings INTERFACE -Wall -Wextra -Werror
    # GCC 12 at -O2/-O3 reports std::string's own inlined copies as overlapping (GCC bug
    # 105329); the warning says nothing about our code there.
    $<$<AND:$<CXX_COMPILER_ID:GNU>,$<VERSION_LESS:$<CXX_COMPILER_VERSION>,13>>:-Wno-restrict>)

if(VETREL_SANITIZE)
    if(WIN32)
        message(FATAL_ERROR "Sanitizers are available in native builds only")
    endif()
    list(JOIN VETREL_SANITIZE "," sanitizers)
    # Everything, GoogleTest included, is instrumented: a mixed build misses races and leaks.
    add_compile_options(-fsanitize=${sanitizers} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${sanitizers})
endif()
