// The dialogs of the evolutionary parameter set without widgets: OK reads, checks and
// assigns the fields in order, refusals keep the set, log lines in their formats, the radio
// groups; and the set as the program holds it between dialogs, data files and runs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/forms/eaforms.h"
#include "core/util/fileio.h"
#include "testutil.h"

namespace zefo {
namespace {

// The texts a dialog shows for p with some fields retyped.
std::vector<std::string> eatyped(const EAParams& p, EADialog d, std::vector<std::pair<int, std::string>> edits) {
    std::vector<std::string> t = eatexts(p, d);
    for (auto& [field, text] : edits) t[static_cast<size_t>(field)] = text;
    return t;
}

std::vector<std::string> ealines(const std::string& text) {
    std::vector<std::string> out;
    size_t b = 0;
    for (size_t e; (e = text.find('\n', b)) != std::string::npos; b = e + 1) out.push_back(text.substr(b, e - b));
    return out;
}

TEST(EAForms, FieldsShowTheSetInTheFormatsOfTheirMasks) {
    const EAParams p;  // the initial values of the set
    EXPECT_EQ(eatexts(p, EADialog::general), (std::vector<std::string>{"200", "5000", "200", "1", "2", "2", "2", "2"}));
    EXPECT_EQ(eatexts(p, EADialog::probabilities),
              (std::vector<std::string>{"0.6000", "0.0333", "20", "20", "20", "20", "20", "10", "4", "2", "0.5000",
                                        "0.7000", "0.7000"}));
    EXPECT_EQ(eatexts(p, EADialog::assga), (std::vector<std::string>{"10", "50", " 5", " 5", " 5", " 5", " 5"}));
    EXPECT_EQ(eatexts(p, EADialog::evol), (std::vector<std::string>{"2", "1", "0.000001", "0.000001", "0.000001",
                                                                    "0.000001", "0.85", "1.000", "5000"}));
    EXPECT_EQ(eatexts(p, EADialog::korr), (std::vector<std::string>{"10", "100", "1", "0.000001", "0.000001",
                                                                    "0.000001", "0.000001", "1.000", "  0", "5000"}));
    // every field has a mask no shorter than the text it shows, and a hint
    for (int d = 0; d < eadialogcount; ++d) {
        const auto fields = eafields(EADialog(d));
        const auto texts = eatexts(p, EADialog(d));
        ASSERT_EQ(fields.size(), texts.size()) << d;
        for (size_t k = 0; k < fields.size(); ++k) {
            EXPECT_GE(fields[k].mask.size(), texts[k].size()) << fields[k].label;
            EXPECT_FALSE(fields[k].hint.empty()) << fields[k].label;
        }
    }
    EXPECT_EQ(eachecked(p, EADialog::general), (std::vector<int>{0, 0}));
    EXPECT_EQ(eachecked(p, EADialog::korr), (std::vector<int>{0, 0, 2}));  // komma, rotating, 333
    EXPECT_STREQ(eadialogtitle(EADialog::reko), eadialogtitle(EADialog::grup));
}

// A refused field: its message, whether its old text comes back, the set unchanged in that
// field, and the fields before it assigned.
TEST(EAForms, RefusalsNameTheFieldAndKeepTheSet) {
    struct Case {
        EADialog d;
        std::vector<std::pair<int, std::string>> edits;
        int field;
        const char* message;
        bool restore;
    };
    const Case cases[] = {
        {EADialog::general, {{0, "99"}}, 0, "Population size must be number between 100 and 1000!", true},
        {EADialog::general, {{0, "-5"}}, 0, "Not a valid number!", true},
        {EADialog::general, {{1, "100001"}}, 1, "Maximum number of generations must be number between 1000 and 100000!",
         true},
        {EADialog::general, {{0, "150"}, {2, "300"}, {3, "3"}}, 3,
         "Quotient of starting and stop value for merit function must be equal to population size!", false},
        {EADialog::general, {{7, "11"}}, 7, "Maximum aspherical constant coefficient must be number between 1 and 10!",
         true},
        {EADialog::probabilities, {{0, "1"}}, 0, "Crossover probability must not be one!", true},
        {EADialog::probabilities, {{1, "0"}}, 1, "Mutation probability must not be zero!", true},
        {EADialog::probabilities, {{1, "0.1.2"}}, 1, "Not a valid number!", true},
        {EADialog::probabilities, {{6, "19"}}, 6, "Sum of genetic algorithm operators must be 100!", false},
        {EADialog::probabilities, {{2, "0"}}, 2, "Uniform crossover operator must be number between 1 and 100!", true},
        {EADialog::probabilities, {{12, "1.0000"}}, 12, "Small mutation probability must not be one!", true},
        {EADialog::assga, {{1, "251"}}, 1,
         "Number of genetic operators before performance test must be number between 25 and 250!", true},
        {EADialog::assga, {{6, "11"}}, 6, "Minimum small mutation creep operator must be number between 1 and 10!",
         true},
        {EADialog::evol, {{2, "0.0011"}}, 2, "Number must be smaller then 0.001!", true},
        {EADialog::evol, {{6, "0.49"}}, 6, "Number must be between 0.5 and 1!", true},
        {EADialog::evol, {{8, "998"}}, 8, "Maximum number of generations must be number between 1000 and 100000!", true},
        {EADialog::grup, {{8, "50002"}}, 8, "Maximum number of generations must be number between 1000 and 50000!",
         true},
        {EADialog::grup, {{0, "4"}}, 0, "Number of the parents in the population must be between 5 and 20!", true},
        {EADialog::korr, {{2, "3"}}, 2, "Number of generations for checking convergence critrion must be 1 or 2!", true},
        {EADialog::korr, {{7, "2.011"}}, 7, "Number must be between 0.5 and 2!", true},
        {EADialog::korr, {{8, "361"}}, 8, "Number must be between 0 and 360!", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const EAParams before;
        EAParams p = before;
        const EAAccept a = eaaccept(p, c.d, eatyped(p, c.d, c.edits), eachecked(p, c.d));
        EXPECT_EQ(a.result.status, DialogResult::BadField);
        EXPECT_EQ(a.result.field, c.field);
        EXPECT_EQ(a.result.message, c.message);
        EXPECT_EQ(a.restore, c.restore);
        // the refused field still shows the value the set had; earlier edits were taken
        EXPECT_EQ(eatexts(p, c.d)[static_cast<size_t>(c.field)], eatexts(before, c.d)[static_cast<size_t>(c.field)]);
        for (const auto& [field, text] : c.edits) {
            if (field < c.field) { EXPECT_EQ(eatexts(p, c.d)[static_cast<size_t>(field)], text); }
        }
    }
}

TEST(EAForms, AcceptedValuesAreLoggedInTheirFormats) {
    struct Case {
        EADialog d;
        std::vector<std::pair<int, std::string>> edits;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        // 300 div 2 = 150, and 301 div 2 too (integer quotient)
        {EADialog::general,
         {{0, "150"}, {2, "300"}, {3, "2"}},
         {"New value for population size is 150", "New starting value for merit function is 300",
          "New merit function step value is 2"}},
        {EADialog::general, {{0, "150"}, {2, "301"}, {3, "2"}}, {}},
        {EADialog::probabilities,
         {{0, "1.5"}, {2, "25"}, {6, "15"}},
         {"New value for crossover probability is 1.5000", "New value for uniform crossover operator is 25",
          "New value for small mutation operator is 15"}},
        {EADialog::evol,
         {{2, "0.00101"}, {6, "0.9"}, {7, "1.5"}, {8, "999"}},
         {"New value for convergence test apsolute is 0.001010", "New value for step size adjustment is 0.90",
          "New initial value for step size is  1.500", "New value for maximum number of generations is 999"}},
        {EADialog::grup, {{8, "50001"}}, {"New value for maximum number of generations is 50001"}},
        {EADialog::korr,
         {{7, "0.4999"}, {8, "45"}},
         {"New initial value for step size is  0.500", "New value for rotation is 45.000"}},
        {EADialog::assga, {{0, "5"}, {2, "10"}},
         {"New value for number of genetic operators is 5", "New value for minimum uniform crossover operator is 10"}},
    };
    for (const Case& c : cases) {
        EAParams p;
        const EAAccept a = eaaccept(p, c.d, eatyped(p, c.d, c.edits), eachecked(p, c.d));
        EXPECT_EQ(a.result.status, DialogResult::Accepted) << a.result.message;
        if (c.log.empty()) continue;  // the second quotient case: only its values matter
        EXPECT_EQ(a.result.log, c.log);
        EXPECT_TRUE(a.result.changed);
    }
    EAParams p;
    eaaccept(p, EADialog::general, eatyped(p, EADialog::general, {{0, "150"}, {2, "301"}, {3, "2"}}), {0, 0});
    EXPECT_EQ(p.meritstart, 301);
    EXPECT_EQ(p.meritstep, 2);
    // unchanged texts log nothing
    const EAAccept same = eaaccept(p, EADialog::korr, eatexts(p, EADialog::korr), eachecked(p, EADialog::korr));
    EXPECT_TRUE(same.result.log.empty());
    EXPECT_FALSE(same.result.changed);
}

// The radio groups are taken after the fields; a komma strategy with a rotating ellipsoid
// is stored with 0 on both lines.
TEST(EAForms, ChoicesSetTheirMembersAndLogTheirTexts) {
    EAParams p;
    p.plus = 1;
    p.norotate = 1;
    EAAccept a = eaaccept(p, EADialog::korr, eatexts(p, EADialog::korr), {0, 0, 4});
    EXPECT_EQ(a.result.log, (std::vector<std::string>{"Strategy is komma", "Mutation elipsoid can rotate",
                                                      "Type of recombination is intermediary recombination of all "
                                                      "parents in pairs"}));
    EXPECT_EQ(p.recombcode, 555);
    p.kind = 7;
    const auto file = ealines(eafiletext(p));
    ASSERT_GE(file.size(), 5u);
    EXPECT_EQ(file[3], "0");  // strategy
    EXPECT_EQ(file[4], "0");  // rotation
    // a code the groups do not offer checks no item and stays when none is chosen
    p.recombcode = 123;
    EXPECT_EQ(eachecked(p, EADialog::korr)[2], -1);
    a = eaaccept(p, EADialog::korr, eatexts(p, EADialog::korr), eachecked(p, EADialog::korr));
    EXPECT_EQ(p.recombcode, 123);
    a = eaaccept(p, EADialog::general, eatexts(p, EADialog::general), {1, 2});
    EXPECT_EQ(p.initpop, 2);
    EXPECT_EQ(p.mutparent, 3);
    EXPECT_EQ(a.result.log, (std::vector<std::string>{"Initial population generation is normal random",
                                                      "Mutation parent selection is random parent"}));
}

// The three genetic dialogs complete the set together; each strategy dialog on its own,
// setting its kind and the recombination flag of GRUP and REKO.
TEST(EAForms, DialogsCompleteTheSet) {
    EAState s;
    EXPECT_TRUE(ealoadsfirst(s, EADialog::general));
    EXPECT_EQ(eaconfirmed(s, EADialog::general), "");
    EXPECT_FALSE(ealoadsfirst(s, EADialog::assga));
    EXPECT_TRUE(ealoadsfirst(s, EADialog::evol));
    eaconfirmed(s, EADialog::assga);
    EXPECT_EQ(s.p.kind, 3);
    EXPECT_FALSE(s.saveable);
    EXPECT_FALSE(s.completed);
    eaconfirmed(s, EADialog::probabilities);
    EXPECT_TRUE(s.saveable);
    EXPECT_TRUE(s.completed);

    const std::pair<EADialog, int> kinds[] = {
        {EADialog::evol, 4}, {EADialog::grup, 5}, {EADialog::reko, 6}, {EADialog::korr, 7}};
    for (const auto& [d, kind] : kinds) {
        EAState e;
        e.p.recombine = d == EADialog::grup;
        const std::string extra = eaconfirmed(e, d);
        EXPECT_EQ(e.p.kind, kind);
        EXPECT_TRUE(e.saveable && e.completed);
        EXPECT_FALSE(ealoadsfirst(e, d));
        EXPECT_EQ(e.p.recombine, d == EADialog::reko);
        EXPECT_EQ(extra.empty(), d != EADialog::reko);
        EXPECT_EQ(eadialogextension(d), eaextension(kind));
    }
}

TEST(EAForms, DataFilesLoadOnlyIntoTheirOwnKind) {
    const std::string dir = test::freshdir("eaforms");
    EAParams korr;
    korr.kind = 7;
    korr.parents = 7;
    ASSERT_EQ(saveeafile(dir + "/s.esk", korr), "");
    EAParams general;
    general.kind = 1;
    general.popsize = 300;
    ASSERT_EQ(saveeafile(dir + "/s.gad", general), "");

    EAState s;
    std::string err;
    EXPECT_FALSE(eaload(s, dir + "/none.esg", ".esg", 0, err));  // a missing file is no error
    EXPECT_EQ(err, "");
    // a KORR set under a GRUP name is refused; the set stays
    ASSERT_TRUE(writefileatomic(dir + "/s.esg", eafiletext(korr)).empty());
    EXPECT_FALSE(eaload(s, dir + "/s.esg", ".esg", 0, err));
    EXPECT_NE(err.find("kind 7"), std::string::npos) << err;
    EXPECT_EQ(s.p, EAParams{});
    EXPECT_FALSE(s.saveable);
    // a general set is a dialog's .gad file ...
    EXPECT_TRUE(eaload(s, dir + "/s.gad", ".gad", 0, err));
    EXPECT_EQ(s.p.popsize, 300);
    EXPECT_TRUE(s.completed && s.saveable);

    // ... but an ASSGA run keeps its kind: the general set is refused and the run must not start
    EAState run;
    run.p.popsize = 400;
    const std::string refused = eabeforerun(run, EAKind::assga, dir + "/s.gad");
    EXPECT_NE(refused, "");
    EXPECT_EQ(run.p.popsize, 400);
    // a KORR run loads its set, clears its dialog's flag and runs with kind 7
    EAState k;
    k.done[6] = true;
    EXPECT_EQ(eabeforerun(k, EAKind::korr, dir + "/s.esk"), "");
    EXPECT_EQ(k.p.parents, 7);
    EXPECT_EQ(k.p.kind, 7);
    EXPECT_FALSE(k.done[6]);
    // a completed set is run as it is, with the optimizer's kind
    k.p.parents = 12;
    EXPECT_EQ(eabeforerun(k, EAKind::grup, dir + "/s.esk"), "");
    EXPECT_EQ(k.p.parents, 12);
    EXPECT_EQ(k.p.kind, 5);
    // after the run the set is loaded again; ASSGA keeps its adapted shares
    EAOutcome o;
    o.shares = {30, 10, 20, 25, 15};
    eaafterrun(k, EAKind::assga, o);
    EXPECT_FALSE(k.completed);
    EXPECT_EQ(k.p.shares, o.shares);
    o.status = EAOutcome::Status::error;
    o.shares = {};
    eaafterrun(k, EAKind::assga, o);
    EXPECT_EQ(k.p.shares, (std::array<double, 5>{30, 10, 20, 25, 15}));
}

}  // namespace
}  // namespace zefo
