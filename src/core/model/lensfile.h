// The lens data file: a positional CR LF text image of the stored part of the model.
#pragma once

#include <string>

#include "model/model.h"

namespace zefo {

// Reads a lens data file's text into m. On failure m is left as it was and the error text
// is returned, empty on success: "Not a lens data file" when the text does not begin like
// one, otherwise "Line N: " and the reason (a number that does not parse or lies outside its
// range, a file that ends before its ray block is complete). With a name the text begins
// "File NAME is not ..." or "File NAME, line N: ". A file that ends after its ray block
// takes the default glass triangle and bounds; one that ends inside them reads 0.
std::string readlensfile(const std::string& text, Model& m, const std::string& name = {});

// The lens data file text of the model in the newest form. Empty error on success;
// otherwise the text is not produced: a count the file cannot hold, a number that is not
// finite, or any value the reader would refuse.
std::string writelensfile(const Model& m, std::string& text);

// Reads the file at path into m (see readlensfile, named by path); a missing file is an error.
std::string loadlensfile(const std::string& path, Model& m);

// Writes the model to path through a temporary file renamed over the target.
std::string savelensfile(const std::string& path, const Model& m);

}  // namespace zefo
