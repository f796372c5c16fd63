// Glass substitution of the evolution strategies: a glass variable is a point (index, Abbe
// number) of the glass map; a mutation moves the point, the point's code is looked up in the
// catalogue ordered by glass code, and the glass found is kept when it stays in the class
// of the start glass.
#pragma once

#include <string>
#include <vector>

#include "core/evolution/glassclass.h"
#include "core/model/glasscat.h"
#include "core/model/model.h"

namespace zefo {

// The catalogue in the order of its code index (code, then serial number), read once at
// the start of a run. The position of the table (the cursor) is not kept here: it belongs
// to the state of the run, so that it can be saved and put back with the random source.
class GlassMap {
public:
    // Reads every glass of the catalogue; an empty map when the catalogue is not open.
    void load(GlassCatalog& cat);
    void assign(std::vector<GlassRecord> glasses);   // sorts them by code and serial
    bool empty() const { return glasses_.empty(); }
    int size() const { return static_cast<int>(glasses_.size()); }
    const GlassRecord& at(int cursor) const { return glasses_[static_cast<size_t>(cursor)]; }

    // Locates the first record whose code equals code exactly and moves the cursor there;
    // when there is none the cursor stays where it was. Returns whether one was found.
    bool locate(const std::string& code, int& cursor) const;

private:
    std::vector<GlassRecord> glasses_;
};

// Puts the glass at the cursor into row i of the lens: indices at the three wavelengths,
// disp = n(wl[2]) - n(wl[1]) and the name.
void setesglass(OpticalSystem& lens, int i, const GlassRecord& g);

// What a strategy does while a substitution goes on: the deviation of the index (comp 0) or
// Abbe component (comp 1), its reaction to a draw outside a window (false: the candidate is
// invalid) and to a rejected lookup.
class GlassDraws {
public:
    virtual ~GlassDraws() = default;
    virtual double deviation(int comp) = 0;
    virtual bool outside(int comp) = 0;
    virtual void rejected() = 0;
};

enum class GlassResult { set, invalid, exhausted };

// Draw loops and restarts of one substitution are each bounded by this many tries.
inline constexpr int maxglasstries = 1000;

// Substitutes the glass of surface i of lens from the base point (n, v) for a glass of class
// c: the windows, the code (truncated parts when truncate), the lookup with its fallback
// code, the lookup of the code read and the class check after it. exhausted: no substitute
// within the bounds.
GlassResult mutateglass(const GlassMap& map, int& cursor, OpticalSystem& lens, int i, GlassClass c,
                        double n, double v, bool truncate, GlassDraws& draws);

}  // namespace zefo
