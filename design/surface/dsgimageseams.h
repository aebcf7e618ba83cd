#pragma once

// The image library behind the design surface's two image seams: image
// objects' pictures (decoded from their BMP bytes, reduced to the LCD's depth
// and drawn by the image library; picture files read in any known format,
// shrunk and encoded as BMP for the image panel) and the form tabs'
// thumbnails. Both resample alike: the generalised cubic filter, edges
// repeated. The design library registers both when it starts; registering
// again changes nothing.

void RegisterDsgImageSeams();
