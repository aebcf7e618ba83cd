#pragma once

// The image library behind the design surface's two image seams: image
// objects' pictures (decoded from their BMP bytes, reduced to the LCD's depth
// and drawn by the image library; picture files read in any known format and
// encoded as BMP for the image panel) and the scaler (resampling with the
// generalised cubic filter, edges repeated) behind the form tabs' thumbnails
// and the image panel's shrinking of a picture to the LCD. The design library
// registers both when it starts; registering again changes nothing.

void RegisterDsgImageSeams();
