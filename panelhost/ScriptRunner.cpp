#include "panelhost/ScriptRunner.h"

#include "panelhost/AircraftPanel.h"

#include <fstream>
#include <ostream>
#include <sstream>

namespace tavrix::panel {

namespace {

bool isAbsolute(const std::string& path) {
    return (path.size() > 1 && path[1] == ':') || (!path.empty() && (path[0] == '\\' || path[0] == '/'));
}

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};

}  // namespace

ScriptRunner::ScriptRunner(PanelHost& host, std::string folder, std::ostream& log)
    : host_(host), folder_(std::move(folder)), log_(log) {}

std::string ScriptRunner::resolve(const std::string& path) const {
    return isAbsolute(path) ? path : folder_ + path;
}

// Events and the host's problems are told as they happen, in one stream.
void ScriptRunner::logNews() {
    const auto& events = host_.simulator().events();
    for (; eventsLogged_ < events.size(); ++eventsLogged_)
        log_ << "event " << events[eventsLogged_].id << " " << events[eventsLogged_].value << "\n";
    const auto& problems = host_.problems();
    for (; problemsLogged_ < problems.size(); ++problemsLogged_)
        log_ << "host: " << problems[problemsLogged_] << "\n";
}

bool ScriptRunner::run(const std::vector<script::Command>& commands) {
    for (const auto& command : commands) {
        const bool ok = execute(command);
        logNews();
        if (!ok) return false;
    }
    return true;
}

bool ScriptRunner::execute(const script::Command& command) {
    using namespace script;
    return std::visit(Overloaded{
                          [&](const Scale& c) {
                              host_.setPixelsPerMm(c.pixelsPerMm);
                              return true;
                          },
                          [&](const PanelSize& c) {
                              host_.setPanelSize(c.width, c.height);
                              return true;
                          },
                          [&](const Language& c) {
                              host_.setLanguage(static_cast<std::uint16_t>(c.id));
                              return true;
                          },
                          [&](const Light& c) {
                              host_.setLight(c.level);
                              return true;
                          },
                          [&](const BlockCreate&) {
                              if (block_.create()) return true;
                              log_ << "cannot create the shared block\n";
                              return false;
                          },
                          [&](const BlockRemove&) {
                              block_.remove();
                              return true;
                          },
                          [&](const BlockWord& c) {
                              if (!block_.exists()) {
                                  log_ << "block word before block create\n";
                                  return false;
                              }
                              block_.setAppearanceWord(c.word);
                              return true;
                          },
                          [&](const Load& c) {
                              std::string error;
                              if (host_.loadGauge(resolve(c.path), c.x, c.y, c.width, error)) return true;
                              log_ << error << "\n";
                              return false;
                          },
                          [&](const Frames& c) {
                              for (int i = 0; i < c.count; ++i) host_.frame();
                              return true;
                          },
                          [&](const Click& c) {
                              host_.click(c.x, c.y, c.kind);
                              return true;
                          },
                          [&](const SetVariable& c) {
                              host_.simulator().setVariable(c.id, c.value);
                              return true;
                          },
                          [&](const Event& c) {
                              host_.triggerKeyEvent(c.id, c.value);
                              return true;
                          },
                          [&](const Unload&) {
                              host_.unloadAll();
                              return true;
                          },
                          [&](const Aircraft& c) {
                              const std::optional<std::string> config = findPanelConfig(resolve(c.path));
                              if (!config) {
                                  log_ << "no panel.cfg in " << c.path << "\n";
                                  return false;
                              }
                              if (!host_.gauges().empty()) {
                                  log_ << "aircraft after load: unload first\n";
                                  return false;
                              }
                              log_ << describeLayout(layOutAircraftPanel(host_, *config));
                              return true;
                          },
                          [&](const Screenshot& c) {
                              if (c.panel >= host_.panelCount()) {
                                  log_ << "no window " << c.panel << " to take a screenshot of\n";
                                  return false;
                              }
                              const auto bytes = encodeBmp24(host_.panel(c.panel));
                              std::ofstream out(resolve(c.path), std::ios::binary);
                              out.write(reinterpret_cast<const char*>(bytes.data()),
                                        static_cast<std::streamsize>(bytes.size()));
                              if (out) return true;
                              log_ << "cannot write " << c.path << "\n";
                              return false;
                          },
                      },
                      command);
}

int runScriptFile(const std::string& path, std::ostream& log) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        log << "cannot read " << path << "\n";
        return 2;
    }
    std::stringstream text;
    text << in.rdbuf();
    const script::ParseResult parsed = script::parse(text.str());
    if (!parsed.error.empty()) {
        log << path << ": " << parsed.error << "\n";
        return 2;
    }
    PanelHost host;
    ScriptRunner runner(host, folderOf(path), log);
    return runner.run(parsed.commands) ? 0 : 1;
}

}  // namespace tavrix::panel
