#include "glider/Glider.h"

// Placeholder until drawing lands.
void Glider::computeNormals() {}
void Glider::draw() {}
