// zefo-batch commands whose results are not finite numbers: they fail with the shared
// message, exit 1 and leave the report files as they were, in text and in --json mode.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "imagequality_models.h"
#include "core/model/lensfile.h"
#include "testutil.h"
#include "core/util/numfmt.h"

namespace zefo {
namespace {

class NonFiniteBatch : public test::BatchTest {
protected:
    std::string save(const Model& m, const std::string& name) {
        const std::string path = (dir / name).generic_string();
        EXPECT_EQ(savelensfile(path, m.lens), "");
        return path;
    }
};

// Ray k of the scheme given a direction cosine above 1: its trace has no real direction.
Model withbadray(Model m, int k) {
    m.lens.rays.m[k] = 1.5;
    return m;
}

int firstchief(const Model& m) {
    int k = 2;
    while (m.lens.rays.rl[k] % 10 != 3) ++k;
    return k;
}

TEST_F(NonFiniteBatch, ResultsThatAreNotFiniteFailAndLeaveTheReportsAlone) {
    // The OPD dialog takes a defocus of 1e200 mm: no ray meets that reference sphere in
    // numbers. A chief ray with a direction cosine of 1.5 makes spot rays that are not
    // numbers, and the single ray trace of such a ray too.
    const std::string good = save(test::paraboloid(), "paraboloid.dat");
    const Model singlet = test::singlet();
    const std::string bad = save(withbadray(singlet, firstchief(singlet)), "bad.dat");
    const std::string badray = save(withbadray(singlet, 1), "badray.dat");
    const std::string refmiss = "Error in ray transfer to reference sphere";
    struct Case {
        std::string args, failure, reason = nonfinitemsg;
        std::vector<std::string> files;  // the reports the command would write
    } cases[] = {
        {"wave '" + good + "' --defocus 1e200", "Error in calculation of Waveaberrations!", refmiss,
         {"abr/paraboloid.wbr"}},
        {"--json wave '" + good + "' --defocus 1e200", "Error in calculation of Waveaberrations!", refmiss,
         {"abr/paraboloid.wbr"}},
        {"spot '" + bad + "'", "Error in calculation!", nonfinitemsg, {"spot-mtf/bad.spt"}},
        {"gmtf '" + bad + "'", "Error in calculation!", nonfinitemsg, {"spot-mtf/bad.spt", "spot-mtf/bad.gtf"}},
        {"tfmtf '" + bad + "'", "Error in calculation!", nonfinitemsg, {"spot-mtf/bad.spt", "spot-mtf/bad.gtt"}},
        {"dmtf '" + bad + "'", "Error in calculation of Diffraction MTF!", nonfinitemsg, {"spot-mtf/bad.spt", "spot-mtf/bad.dtf"}},
        {"srt '" + badray + "' --ray 2", "Error in the single ray trace calculation!", nonfinitemsg, {"abr/badray.srt"}},
        {"--json srt '" + badray + "' --ray 2", "Error in the single ray trace calculation!", nonfinitemsg, {"abr/badray.srt"}},
    };
    for (const Case& c : cases) {
        for (const auto& f : c.files) {
            std::filesystem::create_directories((dir / f).parent_path());
            ASSERT_EQ(writefileatomic((dir / f).string(), "an older good report\n"), "");
        }
        const test::BatchRun r = run(c.args);
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_EQ(r.err, c.failure + "\n" + c.reason + "\n") << c.args;
        EXPECT_EQ(r.out, "") << c.args;
        EXPECT_NE(log().find("\n" + c.reason + "\n"), std::string::npos) << c.args;
        for (const auto& f : c.files) EXPECT_EQ(file(f), "an older good report\n") << c.args << " " << f;
    }
}

}  // namespace
}  // namespace zefo
