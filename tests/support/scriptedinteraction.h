// Answers the questions of a calculation from a script, and records what was asked.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "core/util/interaction.h"

namespace zefo {

class ScriptedInteraction : public Interaction {
public:
    std::deque<Answer> confirms;
    std::deque<std::optional<int>> choices;
    std::deque<std::optional<double>> numbers;   // typed in turn while the check refuses them
    std::vector<std::string> asked;              // caption + ": " + text of every question
    std::vector<std::string> refusals;           // messages of numbers the check refused

    Answer confirm(const std::string& caption, const std::string& text) override {
        asked.push_back(caption + ": " + text);
        if (confirms.empty()) return Answer::cancel;
        const Answer a = confirms.front();
        confirms.pop_front();
        return a;
    }
    std::optional<int> choose(const std::string& caption, const std::vector<std::string>&, int) override {
        asked.push_back(caption);
        if (choices.empty()) return std::nullopt;
        const auto c = choices.front();
        choices.pop_front();
        return c;
    }
    std::optional<double> enternumber(const NumberQuestion& q) override {
        asked.push_back(q.caption + ": " + q.label);
        while (!numbers.empty()) {
            const auto v = numbers.front();
            numbers.pop_front();
            if (!v) return v;
            const std::string no = q.check ? q.check(*v) : std::string();
            if (no.empty()) return v;
            refusals.push_back(no);
        }
        return std::nullopt;
    }
};

}  // namespace zefo
