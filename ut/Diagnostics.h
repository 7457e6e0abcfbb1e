#pragma once

#include <functional>

#include <QString>

namespace ut {

// Explanations for the user beyond a program's fixed output: input that was read with a
// fallback, a file that was refused, a write that failed, a run that went wrong and why.
// Every layer reports through here; the program decides where the texts go: standard error
// by default (the command-line programs), the page in the graphical shell.
class Diagnostics
{
public:
    using Sink = std::function<void(const QString& text)>;

    // Hands text to the current sink; callable from any thread, one text at a time.
    static void report(const QString& text);
    // Installs sink and returns the one it replaces; an empty sink restores standard error.
    static Sink setSink(Sink sink);
};

// Redirects the diagnostics for as long as it lives, then restores the previous sink.
class ScopedDiagnosticsSink
{
public:
    explicit ScopedDiagnosticsSink(Diagnostics::Sink sink);
    ~ScopedDiagnosticsSink();
    ScopedDiagnosticsSink(const ScopedDiagnosticsSink&) = delete;
    ScopedDiagnosticsSink& operator=(const ScopedDiagnosticsSink&) = delete;

private:
    Diagnostics::Sink m_previous;
};

} // namespace ut
