// NV12 frames as pictures a person can look at: conversion to RGB with the
// BT.601 limited-range matrix (the range the camera's media type declares)
// and PNG output.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "fonte/src/quadros/geometria.h"

namespace norva::ferramentas {

struct Rgb {
  std::uint8_t r, g, b;
};

// One pixel from limited-range (16-235 / 16-240) BT.601 Y, Cb, Cr.
Rgb yuv_para_rgb(std::uint8_t y, std::uint8_t u, std::uint8_t v);

// A whole frame as packed RGB, LARGURA x ALTURA x 3 bytes.
std::vector<std::uint8_t> nv12_para_rgb(std::span<const std::uint8_t, TAMANHO_DO_QUADRO> quadro);

// Writes the frame as a PNG file; false if the file could not be written.
bool gravar_png(const std::filesystem::path& caminho, std::span<const std::uint8_t, TAMANHO_DO_QUADRO> quadro);

}  // namespace norva::ferramentas
