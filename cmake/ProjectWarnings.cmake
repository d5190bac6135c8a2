# Strict warnings for our own targets only; third-party headers come in as SYSTEM includes.
# Warnings become errors only where our own scripts and CI ask for it: a packager's compiler or
# flags must never turn a new warning into a failed build.
option(VORNK_WERROR "Treat compiler warnings as errors" OFF)
add_library(project_options INTERFACE)
target_compile_options(project_options INTERFACE
    -Wall -Wextra -Wpedantic -Wnon-virtual-dtor -Woverloaded-virtual -Wsuggest-override
    $<$<BOOL:${VORNK_WERROR}>:-Werror>)
target_include_directories(project_options INTERFACE ${PROJECT_SOURCE_DIR})
target_compile_definitions(project_options INTERFACE QT_NO_KEYWORDS)
