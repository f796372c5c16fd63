// The lens data file: a positional CR LF text image of the stored part of the model.
#pragma once

#include <string>

#include "core/model/model.h"

namespace zefo {

// The message when the ray scheme has more chief rays (label 13) than fields off the axis,
// empty when it has not: the reader's check, shared by the ray editors.
std::string chiefrayserror(const OpticalSystem& lens);

// The message of the first value of the lens that its file could not hold (a number beyond
// 1E+30 or not finite, any value the reader refuses), empty when it can be saved.
std::string unsaveableerror(const OpticalSystem& lens);

// Reads a lens data file's text into the lens. On failure the lens is left as it was and the error text
// is returned, empty on success: "Not a lens data file" when the text does not begin like
// one, otherwise "Line N: " and the reason (a number that does not parse or lies outside its
// range, a file that ends before its ray block is complete). With a name the text begins
// "File NAME is not ..." or "File NAME, line N: ". A file that ends after its ray block
// takes the default glass triangle and bounds, one that ends after the triangle the default
// bounds; a file that ends inside a block, or inside a number or text of its last line
// (no line end after it), is refused naming that line. The name of line 1, without the
// blanks around it, must be a valid file name (sysnameerror).
std::string readlensfile(const std::string& text, OpticalSystem& lens, const std::string& name = {});

// The lens data file text of the lens in the newest form. Empty error on success;
// otherwise the text is not produced: a count the file cannot hold, a number that is not
// finite, or any value the reader would refuse.
std::string writelensfile(const OpticalSystem& lens, std::string& text);

// Reads the file at path into the lens (see readlensfile, named by path); a missing file is
// an error.
std::string loadlensfile(const std::string& path, OpticalSystem& lens);

// Writes the lens to path through a temporary file renamed over the target.
std::string savelensfile(const std::string& path, const OpticalSystem& lens);

// As above, into the lens of m, whose calculation state is then sized for it (takelens);
// on failure m is left as it was.
std::string readlensfile(const std::string& text, Model& m, const std::string& name = {});
std::string loadlensfile(const std::string& path, Model& m);

}  // namespace zefo
