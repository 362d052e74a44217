# Embeds the network blobs of src/models/*.bin into the library as byte
# arrays. Generated sources are added to the corvan_objects target (the
# objects shared by the shared library and the tests' static archive).
#
# The build only embeds: the blobs are trained by tools/train and committed.
# CORVAN_MODELS_DIR lets a build embed another set of the same shapes (a
# development set) without touching the source tree.
set(CORVAN_MODELS_DIR "${PROJECT_SOURCE_DIR}/src/models" CACHE PATH
    "Directory holding the twelve network weight blobs (<name>.bin)")

set(CORVAN_EMBED_SCRIPT "${PROJECT_SOURCE_DIR}/tools/embed_models.cmake")
include(${CORVAN_EMBED_SCRIPT})

set(corvan_model_blobs "")
foreach(entry IN LISTS CORVAN_MODEL_TABLE)
  string(REPLACE " " ";" entry "${entry}")
  list(GET entry 0 name)
  list(GET entry 1 bytes)
  corvan_check_model_blob("${CORVAN_MODELS_DIR}" ${name} ${bytes})
  list(APPEND corvan_model_blobs "${CORVAN_MODELS_DIR}/${name}.bin")
endforeach()

# Regenerated whenever a blob (or the generator) changes, so a retrained
# network lands in the next build.
set(corvan_models_source "${PROJECT_BINARY_DIR}/generated/corvan_models.cpp")
add_custom_command(
  OUTPUT "${corvan_models_source}"
  COMMAND ${CMAKE_COMMAND} -DMODELS_DIR=${CORVAN_MODELS_DIR}
          -DOUTPUT=${corvan_models_source} -P ${CORVAN_EMBED_SCRIPT}
  DEPENDS ${corvan_model_blobs} ${CORVAN_EMBED_SCRIPT}
  COMMENT "Embedding the network weight blobs"
  VERBATIM)
target_sources(corvan_objects PRIVATE "${corvan_models_source}")
