#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/app/session.h"

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
