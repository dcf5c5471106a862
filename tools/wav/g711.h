// G.711 companding: A-law and µ-law codes to 16-bit linear values and back, with the standard
// segment encoding, so that every code read and written again comes back unchanged.
#pragma once

#include <cstdint>

int16_t ALawToLinear(uint8_t code);
int16_t MuLawToLinear(uint8_t code);
uint8_t LinearToALaw(int16_t value);
uint8_t LinearToMuLaw(int16_t value);
