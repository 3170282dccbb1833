# Embeds every file of Scenes/ into the program under its resource name.
# tools/embed_resources writes an assembly file that includes each file with
# .incbin, plus the table that the resource lookup reads.
# A cross build makes the tool with the build machine's compiler.
if(CMAKE_CROSSCOMPILING)
  find_program(HOST_CXX NAMES c++ g++ REQUIRED NO_CMAKE_FIND_ROOT_PATH)
  set(EMBED_TOOL ${CMAKE_BINARY_DIR}/host/embed_resources)
  add_custom_command(OUTPUT ${EMBED_TOOL}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
    COMMAND ${HOST_CXX} -std=c++20 -O1 ${CMAKE_SOURCE_DIR}/tools/embed_resources.cpp -o ${EMBED_TOOL}
    DEPENDS ${CMAKE_SOURCE_DIR}/tools/embed_resources.cpp
    COMMENT "Building the resource embedding tool for the build machine"
    VERBATIM)
else()
  add_executable(embed_resources tools/embed_resources.cpp)
  set(EMBED_TOOL embed_resources)
endif()

file(GLOB SCENE_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/Scenes/*)
list(SORT SCENE_FILES)
set(EMBED_DIR ${CMAKE_BINARY_DIR}/embedded)
set(EMBEDDED_RESOURCE_SOURCES ${EMBED_DIR}/resources.S ${EMBED_DIR}/resource_table.cpp)
add_custom_command(
  OUTPUT ${EMBEDDED_RESOURCE_SOURCES}
  COMMAND ${EMBED_TOOL} ${EMBED_DIR} ${SCENE_FILES}
  DEPENDS ${EMBED_TOOL} ${SCENE_FILES}
  COMMENT "Embedding the scene data"
  VERBATIM)
set_source_files_properties(${EMBED_DIR}/resources.S PROPERTIES OBJECT_DEPENDS "${SCENE_FILES}")
