#include "ut/Diagnostics.h"

#include <cstdio>
#include <mutex>

namespace ut {

namespace {

std::mutex& sinkMutex()
{
    static std::mutex mutex;
    return mutex;
}

Diagnostics::Sink& currentSink()
{
    static Diagnostics::Sink sink;
    return sink;
}

void writeToStandardError(const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

} // namespace

void Diagnostics::report(const QString& text)
{
    // Reports from concurrent model runs must not interleave within a line.
    const std::lock_guard<std::mutex> lock(sinkMutex());
    if (currentSink())
        currentSink()(text);
    else
        writeToStandardError(text);
}

Diagnostics::Sink Diagnostics::setSink(Sink sink)
{
    const std::lock_guard<std::mutex> lock(sinkMutex());
    Sink previous = std::move(currentSink());
    currentSink() = std::move(sink);
    return previous;
}

ScopedDiagnosticsSink::ScopedDiagnosticsSink(Diagnostics::Sink sink)
    : m_previous(Diagnostics::setSink(std::move(sink)))
{
}

ScopedDiagnosticsSink::~ScopedDiagnosticsSink()
{
    Diagnostics::setSink(std::move(m_previous));
}

} // namespace ut
