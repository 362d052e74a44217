// The seven networks that are compiled in without a name in the C interface.
// Defined in the source that the build generates from src/models
// (tools/embed_models.cmake). They lie back to back in read-only data with no
// alignment padding, so each one may start at any address; read them only
// through the byte-copying loader.
#pragma once

namespace corvan::nn::embedded {

extern const unsigned char *const corvanpep_model_16;
extern const unsigned char *const corvan_averagine_model8;
extern const unsigned char *const corvan_averagine_model32;
extern const unsigned char *const corvan_averagine_model64;
extern const unsigned char *const corvan_averagine_model128;
extern const unsigned char *const corvan_rnaseq_model64;
extern const unsigned char *const corvan_rnaseq_model128;

} // namespace corvan::nn::embedded
