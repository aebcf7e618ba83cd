#pragma once

// The look the bars and panels of the design frames share: the system face
// colour with a raised frame of 40 % shades.

class CDC;

// The whole surface in the face colour, framed without an inner frame.
void DrawFaceBackground(CDC& dc);
