# Embeds every file of Scenes/ into the program under its resource name.
# tools/embed_resources writes an assembly file that includes each file with
# .incbin, plus the table that the resource lookup reads.
add_executable(embed_resources tools/embed_resources.cpp)

file(GLOB SCENE_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/Scenes/*)
list(SORT SCENE_FILES)
set(EMBED_DIR ${CMAKE_BINARY_DIR}/embedded)
set(EMBEDDED_RESOURCE_SOURCES ${EMBED_DIR}/resources.S ${EMBED_DIR}/resource_table.cpp)
add_custom_command(
  OUTPUT ${EMBEDDED_RESOURCE_SOURCES}
  COMMAND embed_resources ${EMBED_DIR} ${SCENE_FILES}
  DEPENDS embed_resources ${SCENE_FILES}
  COMMENT "Embedding the scene data"
  VERBATIM)
set_source_files_properties(${EMBED_DIR}/resources.S PROPERTIES OBJECT_DEPENDS "${SCENE_FILES}")
