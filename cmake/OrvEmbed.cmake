# Writes a C++ source holding the bytes of files as arrays, with a table of their names.
# Run as: cmake -DINPUT_DIR=<dir> -DNAMES=<a;b;...> -DOUTPUT=<file.cpp> -P OrvEmbed.cmake
# The generated table is declared in platform/resource_table.h.

set(body "// Generated at build time from resources/ by cmake/OrvEmbed.cmake. Do not edit.\n")
string(APPEND body "#include \"platform/resource_table.h\"\n\nnamespace\n{\n")
set(table "")
set(index 0)
foreach(name IN LISTS NAMES)
    file(READ "${INPUT_DIR}/${name}" hex HEX)
    string(LENGTH "${hex}" digits)
    math(EXPR size "${digits} / 2")
    # 32 bytes to a line, so that the generated file stays readable by people and tools.
    set(bytes "")
    foreach(start RANGE 0 ${digits} 64)
        string(SUBSTRING "${hex}" ${start} 64 chunk)
        string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," chunk "${chunk}")
        if(chunk)
            string(APPEND bytes "    ${chunk}\n")
        endif()
    endforeach()
    string(APPEND body "const unsigned char kData${index}[] = {\n${bytes}};\n")
    string(APPEND table "    {\"${name}\", kData${index}, ${size}},\n")
    math(EXPR index "${index} + 1")
endforeach()
string(APPEND body "}  // namespace\n\nconst CResourceEntry kResourceEntries[] = {\n${table}};\n")
string(APPEND body "const size_t kResourceEntryCount = ${index};\n")

# Only touch the output when it changes, so an unchanged picture does not rebuild the library.
if(EXISTS "${OUTPUT}")
    file(READ "${OUTPUT}" previous)
    if(previous STREQUAL body)
        return()
    endif()
endif()
file(WRITE "${OUTPUT}" "${body}")
