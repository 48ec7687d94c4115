// The process-wide pseudo-random generator, the two noise tables, value noise
// in three dimensions, scalar blends and the Catmull-Rom segment.
#pragma once

namespace velkor {

constexpr int kNoiseTableSize = 2048;
extern float noiseValues[kNoiseTableSize];
extern int noiseHash[kNoiseTableSize];

// Next value 0 .. 32767 of the generator; state starts at 1, never reseeded.
int Rand15();
// Generator state, for tests that must compute the sequence independently.
unsigned Rand15State();
void SetRand15State(unsigned state);

// Fills noiseValues (2048 draws), then noiseHash (2048 draws).
void InitNoiseTables();

float LinearInterpolate(float a, float b, float t);
float CosineInterpolate(float a, float b, float t);

// Uniform Catmull-Rom through points[i+1] .. points[i+2], i = trunc(x) capped at count - 4.
float CatmullRomSegment(float x, int count, const float* points);

float NoiseLattice(float x, float y, float z);
float LinearNoise3(float x, float y, float z);
float CosineNoise3(float x, float y, float z);

}  // namespace velkor
