// The glass map rules of the evolution strategies: the crown and flint classes, their
// windows of index and Abbe number, the six-digit glass code of a point of the map and the
// acceptance of a catalogue glass for a class.
#pragma once

#include <string>

namespace zefo {

enum class GlassClass { none, crown, flint };

// The class of a glass by its name: atstart for the glass of the start system, otherwise
// for a glass found by a substitution (which may have no class).
GlassClass glassclass(const std::string& name, bool atstart);

// True when n and v lie inside the class's windows (bounds excluded).
bool inindexwindow(GlassClass c, double n);
bool inabbewindow(GlassClass c, double v);

// The code of the point (n, v): rounded parts right-aligned in three characters, or
// (truncate) truncated parts without padding.
std::string mapglasscode(double n, double v, bool truncate);

// Whether a catalogue glass with Abbe part a (Abbe number x 10 from its code) and this name
// may stand for class c; the Abbe part of the class's fallback code.
bool glassaccepted(GlassClass c, int a, const std::string& name);
std::string fallbackabbe(GlassClass c);

}  // namespace zefo
