#include "platform/host/CommandLine.hpp"

namespace CommandLine {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

}  // namespace

std::vector<std::string> Split(std::string_view line)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;  // true once a character or a quote of the current word was seen
    bool quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (IsBlank(c) && !quoted) {
            if (inWord) {
                words.push_back(std::move(word));
                word.clear();
                inWord = false;
            }
        } else {
            word.push_back(c);
            inWord = true;
        }
    }
    if (quoted) {
        throw SyntaxError("unterminated double quote in command line");
    }
    if (inWord) {
        words.push_back(std::move(word));
    }
    return words;
}

}  // namespace CommandLine
