# `cmake --build build --target format` applies .clang-format to every source file.
find_program(CLANG_FORMAT_PROGRAM NAMES clang-format clang-format-14)
if(CLANG_FORMAT_PROGRAM)
  file(GLOB_RECURSE TVX_FORMAT_SOURCES CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/src/*.cpp ${CMAKE_SOURCE_DIR}/src/*.h
    ${CMAKE_SOURCE_DIR}/tests/*.cpp ${CMAKE_SOURCE_DIR}/tests/*.h
    ${CMAKE_SOURCE_DIR}/demosite/*.cpp ${CMAKE_SOURCE_DIR}/demosite/*.h
    ${CMAKE_SOURCE_DIR}/bench/*.cpp)
  add_custom_target(format
    COMMAND ${CLANG_FORMAT_PROGRAM} -i ${TVX_FORMAT_SOURCES}
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    COMMENT "Applying clang-format")
endif()
