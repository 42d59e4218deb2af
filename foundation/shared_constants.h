// Numeric constants shared by the geometry code, computed once at start-up.
#pragma once

extern const double g_reciprocal[20]; // [0] is +infinity, [n] = 1/n
extern const double g_cos0, g_cos30, g_cos45, g_cos60, g_cos90;
extern const double g_sin0, g_sin30, g_sin45, g_sin60, g_sin90;
