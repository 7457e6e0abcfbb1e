#pragma once

namespace ut {

// The private folder for run-time files that the toolkit asks the session for
// (XDG_RUNTIME_DIR). Where the session names none (a root shell, a container, a scheduled
// job), the toolkit falls back to <temporary folder>/runtime-<user> and warns about it at
// every start. prepare() makes that same folder ahead of the toolkit and names it, so the
// fallback happens without a word. A folder of that name that belongs to someone else stays
// unnamed: then the toolkit's warning is one worth reading.
class RuntimeFolder
{
public:
    // Call before the application object exists.
    static void prepare();
};

} // namespace ut
