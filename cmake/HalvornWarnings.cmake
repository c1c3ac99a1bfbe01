# Warnings for the project's own targets; JUCE's sources are compiled with their own settings.
add_library(halvorn_warnings INTERFACE)
target_compile_options(halvorn_warnings INTERFACE -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Wconversion -Wno-sign-conversion)
