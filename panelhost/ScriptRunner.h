// Runs a parsed script against a panel host, without a window or a person.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "panelhost/PanelHost.h"
#include "panelhost/Script.h"
#include "panelhost/SharedBlock.h"

namespace tavrix::panel {

class ScriptRunner {
public:
    // `folder` is where relative paths of the script are resolved; progress
    // and the events sent go to `log`.
    ScriptRunner(PanelHost& host, std::string folder, std::ostream& log);

    // False, with a reason in the log, at the first command that fails.
    bool run(const std::vector<script::Command>& commands);

private:
    bool execute(const script::Command& command);
    std::string resolve(const std::string& path) const;
    void logNews();

    PanelHost& host_;
    std::string folder_;
    std::ostream& log_;
    SharedBlock block_;
    std::size_t eventsLogged_ = 0;
    std::size_t problemsLogged_ = 0;
};

// Reads a script file and runs it on a new host; the process's exit code.
int runScriptFile(const std::string& path, std::ostream& log);

}  // namespace tavrix::panel
