#pragma once

// The image library behind the design surface's two image seams: image
// objects' pictures (decoded from their BMP bytes, reduced to the LCD's depth
// and drawn by the image library) and the form tabs' thumbnails (resampled
// with the generalised cubic filter, edges repeated). The design library
// registers both when it starts; registering again changes nothing.

void RegisterDsgImageSeams();
