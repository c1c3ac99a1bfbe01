# Writes OUTPUT, a C++ source that defines, for each file in INPUTS (a list of .png paths), the array
# resource_resources_<name>_png with the file's bytes and resource_resources_<name>_png_size with its length.
#   cmake -DOUTPUT=<file.cpp> -DINPUTS=<a.png;b.png> -P EmbedPngs.cmake

# CMake's regular expressions have no {n} repetition: spell out one line's worth of bytes.
string(REPEAT "0x..," 16 lineOfBytes)

set(source "// Written by EmbedPngs.cmake from the PNG files in resources/; edit those, not this.\n\n")
string(APPEND source "#include \"HalvornArtwork.h\"\n")

foreach(input IN LISTS INPUTS)
    get_filename_component(name "${input}" NAME_WE)
    set(array "resource_resources_${name}_png")

    file(SIZE "${input}" length)
    file(READ "${input}" hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "(${lineOfBytes})" "\\1\n    " bytes "${bytes}")

    string(APPEND source "\nconst unsigned char ${array}[] = {\n    ${bytes}\n};\n")
    string(APPEND source "const int ${array}_size = ${length};\n")
endforeach()

file(WRITE "${OUTPUT}" "${source}")
