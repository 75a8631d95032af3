// The program's pictures as SVG text, embedded in the binary.
// PictureData.cpp is generated from res/*.svg by res/embed.sh.
#pragma once

#include <cstddef>

struct PictureSource {
    const char* pName;  // the file name in res/ without ".svg"
    const char* pSvg;   // the file's text
};

extern const PictureSource g_aPictureSources[];
extern const size_t g_nPictureSources;
