// The string table. "\r" is the line break of the host's about box.
#include "shell/string_table.h"

const TableString g_string_table[STR_COUNT] = {
    {STR_NONE, ""},
    {STR_NAME, "Prismora"},
    {STR_DESCRIPTION,
     "Glass refraction for shape, text, mask & solid layers.\r"
     "Shapes incl. custom/bezier paths, polygons & stars.\r"
     "\r"
     "Put it on a layer with the Adjustment switch ON -\r"
     "it refracts everything below through that layer's shape."},
    {STR_REFRACTION, "Refraction"},
    {STR_MAGNIFY, "Magnify"},
    {STR_DEPTH, "Depth"},
    {STR_SPLAY, "Splay"},
    {STR_FROST, "Frost"},
    {STR_DISPERSION, "Dispersion"},
    {STR_LIGHT, "Light"},
    {STR_LIGHT_ANGLE, "Light Angle"},
    {STR_LIGHT_INTENSITY, "Light Intensity"},
    {STR_EFFECT_SCALE, "Effect Scale"},
    {STR_RIM_SCALE, "Rim Scale"},
    {STR_ADJUSTMENTS, "Adjustments"},
};

// An id outside the table would read past its end; it gets the empty text.
const A_char* GetStringPtr(A_long id) {
  if (id < 0 || id >= STR_COUNT) return g_string_table[STR_NONE].str;
  return g_string_table[id].str;
}
