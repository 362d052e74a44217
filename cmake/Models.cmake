# Embeds the network blobs of src/models/*.bin into the library as byte
# arrays. Generated sources are added to the corvan_objects target (the
# objects shared by the shared library and the tests' static archive).
#
# The build only embeds: the blobs are trained by tools/train and committed.
# CORVAN_MODELS_DIR lets a build embed another set of the same shapes (a
# development set) without touching the source tree.
set(CORVAN_MODELS_DIR "${PROJECT_SOURCE_DIR}/src/models" CACHE PATH
    "Directory holding the twelve network weight blobs (<name>.bin)")

include(${PROJECT_SOURCE_DIR}/tools/embed_models.cmake)

set(corvan_models_source "${PROJECT_BINARY_DIR}/generated/corvan_models.cpp")
corvan_add_model_source("${CORVAN_MODELS_DIR}" "${corvan_models_source}")
target_sources(corvan_objects PRIVATE "${corvan_models_source}")
