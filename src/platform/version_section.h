/* The version of a native program, kept where the installer finds it: the ELF section ".tilvo_version"
 * holds the same fixed file information a Windows program keeps in its version resource. C and C++. */
#ifndef TILVO_PLATFORM_VERSION_SECTION_H
#define TILVO_PLATFORM_VERSION_SECTION_H

#include <stdint.h>

#define TILVO_VERSION_SECTION ".tilvo_version"
#define TILVO_FIXED_FILE_INFO_SIGNATURE 0xFEEF04BDu

/* Little-endian, 13 words, laid out like VS_FIXEDFILEINFO. */
struct TilvoFixedFileInfo {
  uint32_t signature;
  uint32_t strucVersion;
  uint32_t fileVersionMS;
  uint32_t fileVersionLS;
  uint32_t productVersionMS;
  uint32_t productVersionLS;
  uint32_t fileFlagsMask;
  uint32_t fileFlags;
  uint32_t fileOS;
  uint32_t fileType;
  uint32_t fileSubtype;
  uint32_t fileDateMS;
  uint32_t fileDateLS;
};

/* Puts version a.b.c.d into the program being built (once per program). */
#define TILVO_DEFINE_PROGRAM_VERSION(a, b, c, d)                                                          \
  __attribute__((section(TILVO_VERSION_SECTION), used)) const struct TilvoFixedFileInfo tilvo_program_version = { \
      TILVO_FIXED_FILE_INFO_SIGNATURE, 0x00010000u, ((uint32_t)(a) << 16) | (uint32_t)(b),                \
      ((uint32_t)(c) << 16) | (uint32_t)(d), ((uint32_t)(a) << 16) | (uint32_t)(b),                       \
      ((uint32_t)(c) << 16) | (uint32_t)(d), 0x3Fu, 0u, 0x40004u, 1u, 0u, 0u, 0u}

#endif
