# One warning policy for every target of the project.
add_library(cw32_warnings INTERFACE)
target_compile_options(cw32_warnings INTERFACE -Wall -Wextra -Wno-unused-parameter -Wno-missing-field-initializers)
