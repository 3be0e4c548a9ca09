// Sine, cosine and arc cosine that give the same bits in every build.
//
// Reports must be byte-identical in the Linux and Windows builds, but the C
// libraries differ in the last bit of sin, cos and acos now and then, and
// along a long route such bits add up to a different sixth decimal. These
// functions use only IEEE double operations (+ - * / and sqrt, exactly
// rounded with SSE2 and without contraction), so every platform computes
// them alike. They stay within about one unit in the last place of the true
// value over the whole range.
#pragma once

double PortableSin(double x);
double PortableCos(double x);
// NaN outside [-1, 1].
double PortableAcos(double x);
