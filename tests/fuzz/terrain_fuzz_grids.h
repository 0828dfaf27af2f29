#pragma once
// The in-memory height loaders' share of terrain_fuzz: its kinds kFirstGridKind to
// kFirstGridKind + kGridKinds - 1.

#include <cstdint>
#include <span>
#include <string>

constexpr int kFirstGridKind = 1;
constexpr int kGridKinds = 4;

// kind 0..kGridKinds - 1: text grid, picture heights, height file rows, height file length.
void fuzzGridKind(int kind, std::span<const std::uint8_t> body);
// Seeds of every grid kind, each file starting with its kind byte.
int writeGridSeeds(const std::string& dir);
