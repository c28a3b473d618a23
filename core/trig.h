// Sine, cosine, tangent and arc cosine with the same bits on every CPU.
//
// The C library picks among variants of its trigonometry by the CPU's
// features at run time, so its last bit may differ between machines. These
// use only IEEE addition, multiplication, division and square root, which
// every x86-64 CPU rounds alike, so a simulation that turns bodies through
// them replays to the same bits anywhere. Accurate to about one unit in the
// last place of a double; results rounded to float are almost always the
// float nearest the true value.
#pragma once

namespace vlm {

double Sin(double x);
double Cos(double x);
double Tan(double x);
// x outside [-1, 1] or NaN gives NaN.
double Acos(double x);

inline float Sin(float x) { return static_cast<float>(Sin(static_cast<double>(x))); }
inline float Cos(float x) { return static_cast<float>(Cos(static_cast<double>(x))); }
inline float Tan(float x) { return static_cast<float>(Tan(static_cast<double>(x))); }
inline float Acos(float x) { return static_cast<float>(Acos(static_cast<double>(x))); }

}  // namespace vlm
