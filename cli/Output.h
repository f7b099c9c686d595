// Where talun-r5 writes what it has to say. For people: readable lines on
// standard output. With --json: one JSON object per outcome on standard output,
// one line each, and the readable lines go to standard error instead.
#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstdio>
#include <string>

namespace talun::cli {

bool IsTerminal(std::FILE* stream);

class Output {
  public:
    explicit Output(bool json);

    bool Json() const { return json_; }
    // The stream for readable lines, and whether a person is watching it.
    std::FILE* Human() const { return human_; }
    bool HumanIsTerminal() const { return humanIsTerminal_; }

    // One readable line (a line end is added).
    void Say(const std::string& line) const;
    // One JSON object on standard output; nothing without --json.
    void Emit(const nlohmann::ordered_json& object) const;
    // "talun-r5: <message>" on standard error, and with --json the object
    // {"command", "outcome", "message", "exit"}. Returns exitCode.
    int Fail(const std::string& command, const std::string& outcome, int exitCode,
             const std::string& message) const;
    // Text on standard output byte for byte (no line-end translation on Windows),
    // such as CSV with its own CRLF line ends.
    void WriteExactly(const std::string& text) const;
    // "talun-r5: warning: <message>" on standard error.
    void Warn(const std::string& message) const;

  private:
    bool json_;
    std::FILE* human_;
    bool humanIsTerminal_;
};

}  // namespace talun::cli
