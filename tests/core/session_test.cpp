#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/app/session.h"
#include "core/modify/modify.h"
#include "testsystems.h"

namespace zefo {
namespace {

// What each step of a session does to the file, the change flag and the results, and
// whether the listeners hear of it.
TEST(Session, StepsAndTheirFlags) {
    struct Case {
        const char* name;
        std::function<void(Session&)> step;
        bool loaded;
        const char* filebase;
        bool datachanged;
        bool results;   // all four spot/MTF results still valid
        bool notified;
    };
    const Case cases[] = {
        {"open", [](Session& s) { s.opened("/lenses/dat/lens1.dat"); }, true, "lens1", false, false, true},
        {"design change", [](Session& s) { s.designchanged(); }, true, "old", true, false, true},
        {"setting change", [](Session& s) { s.settingschanged(); }, true, "old", true, true, true},
        {"results cleared", [](Session& s) { s.clearresults(); }, true, "old", true, false, false},
        {"save", [](Session& s) { s.saved(); }, true, "old", false, true, false},
        {"save as", [](Session& s) { s.savedas("/lenses/dat/other.v2.dat"); }, true, "other.v2", false, true, false},
        {"close", [](Session& s) { s.closed(); }, false, "", false, false, true},
    };
    for (const Case& c : cases) {
        Model m;
        Session s(m);
        s.opened("/lenses/dat/old.dat");
        s.settingschanged();  // every step starts from a changed design with valid results
        s.setvalid(iqall);
        int heard = 0;
        s.subscribe([&heard] { ++heard; });
        c.step(s);
        EXPECT_EQ(s.loaded(), c.loaded) << c.name;
        EXPECT_EQ(s.filebase(), c.filebase) << c.name;
        EXPECT_EQ(s.datachanged(), c.datachanged) << c.name;
        EXPECT_EQ(s.valid(iqall), c.results) << c.name;
        for (unsigned r : {iqspot, iqgmtf, iqtfmtf, iqdmtf}) EXPECT_EQ(s.valid(r), c.results) << c.name << " " << r;
        EXPECT_EQ(heard, c.notified ? 1 : 0) << c.name;
    }
}

// A result holds from its calculation until a setting makes it stale; a set is valid only
// when all of its results are.
TEST(Session, ResultsAreValidUntilMadeStale) {
    Model m;
    Session s(m);
    s.opened("/lenses/dat/old.dat");
    EXPECT_FALSE(s.valid(iqspot) || s.valid(iqgmtf) || s.valid(iqtfmtf) || s.valid(iqdmtf));
    s.setvalid(iqspot);
    s.setvalid(iqgmtf);
    EXPECT_TRUE(s.valid(iqspot | iqgmtf));
    EXPECT_FALSE(s.valid(iqmtf));  // the through-focus and diffraction tables were never made
    s.setvalid(iqtfmtf | iqdmtf);
    EXPECT_TRUE(s.valid(iqall));
    s.invalidate(iqgmtf | iqtfmtf);  // a new weight of the geometrical curves
    EXPECT_TRUE(s.valid(iqspot | iqdmtf));
    EXPECT_FALSE(s.valid(iqgmtf) || s.valid(iqtfmtf));
    EXPECT_FALSE(s.valid(0));  // the empty set names no result
}

// Close forgets the file, the system name and whatever the last command left behind.
TEST(Session, CloseClearsTheCommandState) {
    Model m;
    m.lens.sysname = "Triplet";
    Session s(m);
    s.opened("/lenses/dat/triplet.dat");
    s.fail("Error in ray transfer to spherical surface");
    s.cancel();
    s.designchanged();
    s.closed();
    EXPECT_TRUE(s.filepath().empty());
    EXPECT_FALSE(s.failed() || s.cancelled() || s.datachanged());
    EXPECT_TRUE(s.error().empty());
    EXPECT_TRUE(m.lens.sysname.empty());
}

// The first failure of a command is the one reported; taking it leaves none.
TEST(Session, FirstErrorIsKeptUntilTaken) {
    Model m;
    Session s(m);
    EXPECT_FALSE(s.failed());
    s.fail("Principal ray is out of the system!");
    s.fail("a later failure");
    EXPECT_TRUE(m.calcerror);
    EXPECT_EQ(s.error(), "Principal ray is out of the system!");
    EXPECT_EQ(s.takeerror(), "Principal ray is out of the system!");
    EXPECT_FALSE(s.failed());
    EXPECT_TRUE(s.error().empty());
    s.fail("Thickness out of range");
    EXPECT_EQ(s.takeerror(), "Thickness out of range");
}

// Listeners may leave, or add others, while they are told; each one present at the
// change hears it once, newcomers from the next change on.
TEST(Session, ListenersMayChangeWhileTheyAreTold) {
    Model m;
    Session s(m);
    std::vector<std::string> heard;
    int second = 0, added = 0;
    const int first = s.subscribe([&] {
        heard.push_back("first");
        s.unsubscribe(first);  // leaves after its first change
        s.unsubscribe(second);
        if (!added) added = s.subscribe([&] { heard.push_back("added"); });
    });
    second = s.subscribe([&] { heard.push_back("second"); });
    const int third = s.subscribe([&] { heard.push_back("third"); });
    s.designchanged();
    EXPECT_EQ(heard, (std::vector<std::string>{"first", "third"}));
    heard.clear();
    s.settingschanged();
    EXPECT_EQ(heard, (std::vector<std::string>{"third", "added"}));
    heard.clear();
    s.unsubscribe(third);
    s.unsubscribe(third);  // a second time changes nothing
    s.unsubscribe(12345);
    s.closed();
    EXPECT_EQ(heard, std::vector<std::string>{"added"});
}

}  // namespace
}  // namespace zefo

namespace zefo {
namespace {

// A session on the double Gauss as if it had been opened from a file.
struct OpenedGauss {
    Model m = doublegauss();
    Session s{m};
    std::vector<DesignChange> heard;
    OpenedGauss() {
        s.opened("/lenses/dat/dgauss.dat");
        s.subscribe([this] { heard.push_back(s.lastchange()); });
    }
};

// Every change is a step with its text; undo and redo walk the exact lens values back and
// forth, each a change like any other (revision, datachanged, stale results, listeners).
TEST(SessionHistory, UndoAndRedoRestoreTheExactLenses) {
    OpenedGauss g;
    const OpticalSystem opened = g.m.lens;
    const unsigned long start = g.s.revision();
    g.m.lens.sys.sp.curv[3] *= 1.01;
    g.s.designchanged("Radius of surface 4");
    const OpticalSystem edited = g.m.lens;
    scalesys(g.m.lens, 2.0);
    g.s.begincommand("Scale optical system");
    g.s.designchanged();  // named by the running command
    g.s.endcommand();
    const OpticalSystem scaled = g.m.lens;
    EXPECT_EQ(g.s.revision(), start + 2);
    EXPECT_EQ(g.s.history().undosteps(), 2u);
    EXPECT_EQ(g.s.history().undotext(), "Scale optical system");

    g.s.saved();
    g.s.setvalid(iqall);
    EXPECT_EQ(g.s.undo(), "Scale optical system");
    EXPECT_TRUE(g.m.lens == edited);
    EXPECT_TRUE(g.s.datachanged());
    EXPECT_FALSE(g.s.valid(iqspot));
    EXPECT_EQ(g.s.history().redotext(), "Scale optical system");
    EXPECT_EQ(g.s.undo(), "Radius of surface 4");
    EXPECT_TRUE(g.m.lens == opened);
    EXPECT_FALSE(g.s.canundo());
    EXPECT_EQ(g.s.undo(), "");   // nothing left: the lens stays
    EXPECT_TRUE(g.m.lens == opened);
    EXPECT_EQ(g.s.redo(), "Radius of surface 4");
    EXPECT_EQ(g.s.redo(), "Scale optical system");
    EXPECT_TRUE(g.m.lens == scaled);
    EXPECT_FALSE(g.s.canredo());

    std::vector<DesignChange::Kind> kinds;
    for (const DesignChange& c : g.heard) kinds.push_back(c.kind);
    using K = DesignChange;
    EXPECT_EQ(kinds, (std::vector<DesignChange::Kind>{K::edited, K::edited, K::undone, K::undone, K::redone,
                                                      K::redone}));
    for (size_t i = 0; i < g.heard.size(); ++i) EXPECT_EQ(g.heard[i].revision, start + 1 + i);
}

// A step after an undo forgets the redo; a change of nothing makes no step; a change not
// told before undo is recorded first, so that redo brings it back; opening starts afresh.
TEST(SessionHistory, StepsRedoAndNewHistories) {
    OpenedGauss g;
    const OpticalSystem opened = g.m.lens;
    g.s.designchanged("Nothing");   // the lens is as opened: no step, but the listeners hear
    EXPECT_FALSE(g.s.canundo());
    EXPECT_EQ(g.heard.size(), 1u);

    g.m.lens.sys.sp.sep[2] += 0.5;
    g.s.designchanged("Separation of surface 3");
    g.s.undo();
    g.m.lens.sys.sp.sep[4] += 0.25;
    g.s.designchanged("Separation of surface 5");
    EXPECT_FALSE(g.s.canredo());

    g.m.lens.sys.sp.sep[5] += 1;    // a change nobody told
    EXPECT_TRUE(g.s.unrecorded());
    const OpticalSystem untold = g.m.lens;
    g.s.undo();
    g.s.undo();
    EXPECT_TRUE(g.m.lens == opened);
    g.s.redo();
    g.s.redo();
    EXPECT_TRUE(g.m.lens == untold);

    g.s.opened("/lenses/dat/dgauss.dat");
    EXPECT_FALSE(g.s.canundo() || g.s.canredo());
    EXPECT_FALSE(g.s.datachanged());
    g.s.lock("An optimization is running");
    g.m.lens.sys.sp.sep[1] += 1;
    g.s.designchanged("Separation of surface 2");
    EXPECT_FALSE(g.s.canundo());   // no undo while locked
    EXPECT_EQ(g.s.undo(), "");
    g.s.unlock();
    EXPECT_EQ(g.s.undo(), "Separation of surface 2");
}

// The history keeps its latest steps only.
TEST(SessionHistory, HistoryIsBounded) {
    OpenedGauss g;
    const size_t steps = DesignHistory::maxsteps + 5;
    std::vector<OpticalSystem> lenses{g.m.lens};
    for (size_t i = 0; i < steps; ++i) {
        g.m.lens.sys.sp.sep[1] += 0.125;
        g.s.designchanged("Step " + std::to_string(i));
        lenses.push_back(g.m.lens);
    }
    EXPECT_EQ(g.s.history().undosteps(), DesignHistory::maxsteps);
    size_t undone = 0;
    while (!g.s.undo().empty()) ++undone;
    EXPECT_EQ(undone, DesignHistory::maxsteps);
    EXPECT_TRUE(g.m.lens == lenses[steps - DesignHistory::maxsteps]);
    EXPECT_EQ(g.s.history().redotext(), "Step 5");
}

}  // namespace
}  // namespace zefo

namespace zefo {
namespace {

// A window's stamp is current until the next change of the design; its title names the
// lens, the file and the revision, and the mark once the lens has changed.
TEST(SessionHistory, StampsAndTheirCaptions) {
    Model m = doublegauss();
    m.lens.sysname = "DGAUSS";
    Session s(m);
    s.opened("/lenses/dat/dgauss.dat");
    const DesignStamp st = s.stamp("White light");
    EXPECT_TRUE(s.current(st));
    EXPECT_EQ(stampedcaption("Spot Diagram", st, false),
              "Spot Diagram - DGAUSS (dgauss.dat, revision " + std::to_string(st.revision) + ") - White light");
    s.settingschanged("Spot-MTF data");
    EXPECT_FALSE(s.current(st));
    EXPECT_EQ(stampedcaption("Ray Trace", DesignStamp{"COOKE", "", "", 7}, true),
              "Ray Trace - COOKE (revision 7) - out of date: the lens has changed");
    EXPECT_EQ(stampedcaption("Zefo Log file", DesignStamp{}, false), "Zefo Log file");
    s.closed();
    EXPECT_FALSE(s.current(s.stamp()));   // nothing is current without a lens
}

}  // namespace
}  // namespace zefo
