# Writes a C++ header that holds GLSL texts as constant strings.
#
# Run as a script at build time:
#   cmake -DOUTPUT=<header> -DNAMESPACE=<ns> -DTEXTS=<name>=<file>|... \
#         -DSHAPE_FUNCS=<name>|... -P EmbedShaderTexts.cmake
#
# TEXTS lists every text as identifier=path. SHAPE_FUNCS lists, by "Shape Type"
# value 1, 2, ..., the identifiers of the shapeFunc texts; they make up the
# table shapeFuncSources and the lookup shapeFuncSource(shapeType).
# Lists are separated by '|' so that they pass through a build command intact.
#
# Each text becomes a raw string literal holding the file's bytes unchanged,
# including its last newline.

cmake_minimum_required(VERSION 3.22)

foreach(required OUTPUT NAMESPACE TEXTS SHAPE_FUNCS)
  if(NOT DEFINED ${required} OR "${${required}}" STREQUAL "")
    message(FATAL_ERROR "EmbedShaderTexts.cmake: ${required} is not set")
  endif()
endforeach()

set(delimiter "glsl")
string(REPLACE "|" ";" texts "${TEXTS}")
string(REPLACE "|" ";" shapeFuncs "${SHAPE_FUNCS}")

set(header "// Generated at build time from the GLSL files listed below; edit those\n")
string(APPEND header "// files, not this header.\n")
string(APPEND header "#pragma once\n\n")
string(APPEND header "namespace ${NAMESPACE} {\n")

set(names "")
foreach(entry IN LISTS texts)
  if(NOT entry MATCHES "^([A-Za-z_][A-Za-z0-9_]*)=(.+)$")
    message(FATAL_ERROR "EmbedShaderTexts.cmake: bad text entry '${entry}'")
  endif()
  set(name "${CMAKE_MATCH_1}")
  set(file "${CMAKE_MATCH_2}")
  file(READ "${file}" text)
  string(FIND "${text}" ")${delimiter}\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "EmbedShaderTexts.cmake: ${file} contains ')${delimiter}\"', "
                        "which would end the raw string literal early")
  endif()
  get_filename_component(fileName "${file}" NAME)
  string(APPEND header "\n// ${fileName}\n")
  string(APPEND header "inline constexpr const char* ${name} = R\"${delimiter}(${text})${delimiter}\";\n")
  list(APPEND names "${name}")
endforeach()

list(LENGTH shapeFuncs shapeFuncCount)
string(APPEND header "\n// shapeFunc texts by \"Shape Type\" value: entry 0 is value 1.\n")
string(APPEND header "inline constexpr const char* shapeFuncSources[${shapeFuncCount}] = {\n")
foreach(name IN LISTS shapeFuncs)
  if(NOT name IN_LIST names)
    message(FATAL_ERROR "EmbedShaderTexts.cmake: shape function '${name}' is not among TEXTS")
  endif()
  string(APPEND header "    ${name},\n")
endforeach()
string(APPEND header "};\n\n")
string(APPEND header "inline constexpr int shapeFuncCount = ${shapeFuncCount};\n\n")
string(APPEND header "// The shapeFunc text for a \"Shape Type\" value 1 to ${shapeFuncCount}; nullptr for any other value.\n")
string(APPEND header "constexpr const char* shapeFuncSource(int shapeType) noexcept\n")
string(APPEND header "{\n")
string(APPEND header "    return shapeType >= 1 && shapeType <= shapeFuncCount ? shapeFuncSources[shapeType - 1] : nullptr;\n")
string(APPEND header "}\n\n")
string(APPEND header "}  // namespace ${NAMESPACE}\n")

file(WRITE "${OUTPUT}" "${header}")
