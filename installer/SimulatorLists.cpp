// The simulator's lists on disk: the scenery area or repaint section a
// package asks for, added once its files are in place, and taken out again
// by its uninstall. Every change writes the whole file anew through a
// temporary file, after the file's old text is kept in the record's folder.
#include <windows.h>

#include "common/win32/FileBytes.h"
#include "common/win32/PathExists.h"
#include "installer/AircraftRepaints.h"
#include "installer/Installation.h"
#include "installer/SceneryLibrary.h"
#include "installer/TextFile.h"

namespace tavrix::installer {

namespace {

// The copy Windows keeps of a file for the user running the installer, when
// a program without a manifest (the simulator) may not write the file
// itself; empty when there is none.
std::string virtualStoreCopyOf(const std::string& path) {
    char folder[MAX_PATH];
    const DWORD length = ::GetEnvironmentVariableA("LOCALAPPDATA", folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    std::string copy = virtualStoreCopy({folder, length}, path);
    return win32::fileExists(copy) ? copy : std::string();
}

// The folder a list (`name` below the simulator's folder) is found in: the
// simulator's when the destination lies in it, else the destination or
// the nearest of its parents that holds the list; "" when none does.
std::string simulatorFolderHolding(const std::string& name, const std::string& destination,
                                   const std::string& simulator) {
    const bool inSimulator = !simulator.empty() && (sceneryLocal(simulator, destination) != destination ||
                                                    scenery_detail::sameFolder(simulator, destination));
    if (inSimulator && win32::fileExists(pathBelow(simulator, name))) return simulator;
    std::string folder = destination;
    while (!folder.empty() && folder.back() == '\\') folder.pop_back();
    for (;;) {
        if (win32::fileExists(pathBelow(folder, name))) return folder;
        const std::size_t slash = folder.rfind('\\');
        if (slash == std::string::npos) return {};
        folder.resize(slash);
    }
}

// The list's path in a record's "Edited" entry.
std::string listPath(std::string_view entry) {
    return std::string(entry.substr(0, entry.find('|')));
}

// Where a list's old text is kept in the record's folder, by its place
// among the record's edited lists (a few at most): "Before 1 scenery.cfg".
std::string keptListCopy(const std::string& recordFolder, std::size_t index, std::string_view path) {
    std::string name = "Before 1 ";
    name[7] = static_cast<char>('1' + index);
    return pathBelow(recordFolder, name += path.substr(path.rfind('\\') + 1));
}

}  // namespace

// An area or a repaint's section added to a list's text, as addToList takes it.
template <typename Section, auto add, auto listedText>
TextResult<Installation::ListEdit> Installation::addSection(std::string_view text, const void* section) {
    auto added = add(text, *static_cast<const Section*>(section));
    if (!added) return TextFailure{added.failure()};
    return ListEdit{std::move(added->text), listedText(added->listed), added->alreadyListed};
}

std::string Installation::addToList(const std::string& path, AddSection add, const void* section) {
    const std::string own = recordFolderPath(destination_, title_);
    for (const std::string& file : {path, virtualStoreCopyOf(path)}) {
        if (file.empty()) continue;
        const std::optional<std::string> text = win32::readFileBytes(file);
        if (!text) return "Cannot open file " + file;
        TextResult<ListEdit> edit = add(*text, section);
        if (!edit) return edit.failure();
        if (edit->alreadyListed) continue;
        // An update that adds the section anew keeps the text the file had
        // before the first installation.
        std::size_t index = 0;
        while (index < record_.edited.size() &&
               !scenery_detail::sameFolder(listPath(record_.edited[index]), file))
            ++index;
        if (index == record_.edited.size()) {
            const std::string kept = keptListCopy(own, index, file);
            if (!::CopyFileA(file.c_str(), kept.c_str(), FALSE)) return "Cannot create file " + kept;
            record_.edited.emplace_back();
        }
        if (TextResult<> saved = saveTextFile(file, edit->text); !saved) return saved.failure();
        record_.edited[index] = cfg::joined({file, "|", edit->listed});
    }
    return {};
}

void Installation::registerAddOn(const Registration& registration, const std::string& simulatorFolder) {
    registered_.clear();
    if (const std::optional<SceneryKeys>& keys = registration.scenery) {
        const std::string root = simulatorFolderHolding(kSceneryFileName, destination_, simulatorFolder);
        const SceneryArea area{
            keys->title,
            sceneryLocal(root, keys->folder.empty() ? destination_ : pathBelow(destination_, keys->folder)),
            keys->layer};
        const std::string failure =
            root.empty() ? "scenery.cfg was not found."
                         : addToList(pathBelow(root, kSceneryFileName),
                                     addSection<SceneryArea, addSceneryArea, listedAreaText>, &area);
        registered_ = failure.empty() ? cfg::joined({"Added to the scenery library as ", area.title, "."})
                                      : cfg::joined({failure, " Add an area with Title=", area.title,
                                                     " and Local=", area.local, " to scenery.cfg by hand."});
    }
    if (const std::optional<RepaintKeys>& keys = registration.repaint) {
        const std::string list = cfg::joined({"Aircraft\\", keys->aircraft, "\\", kAircraftFileName});
        const std::string root = simulatorFolderHolding(list, destination_, simulatorFolder);
        const Repaint repaint{keys->title, keys->texture, keys->basedOn};
        const std::string failure =
            root.empty() ? list + " was not found."
                         : addToList(pathBelow(root, list),
                                     addSection<Repaint, addRepaint, listedRepaintText>, &repaint);
        if (!registered_.empty()) registered_ += ' ';
        registered_ += failure.empty()
                           ? cfg::joined({"Added to the aircraft list as ", repaint.title, "."})
                           : cfg::joined({failure, " Add a [fltsim.N] with title=", repaint.title,
                                          " and texture=", repaint.texture, " to ", list, " by hand."});
    }
}

void unregisterAddOn(const InstallRecord& record, const std::string& recordFolder,
                     std::vector<std::string>& kept) {
    for (std::size_t i = 0; i < record.edited.size(); ++i) {
        const std::string path = listPath(record.edited[i]);
        ::DeleteFileA(keptListCopy(recordFolder, i, path).c_str());
        const std::string_view section = std::string_view(record.edited[i]).substr(path.size() + 1);
        const std::optional<ListedArea> area = parseListedArea(section);
        const std::optional<ListedRepaint> livery = parseListedRepaint(section);
        const bool scenery = simulatorListKind(path) == 1;
        const std::optional<std::string> text = win32::readFileBytes(path);
        if (!text || (scenery ? !area : !livery)) continue;
        const TextResult<cfg::Removal> removal =
            scenery ? removeSceneryArea(*text, *area) : removeRepaint(*text, *livery);
        if (!removal || (removal->found && !saveTextFile(path, removal->text))) kept.push_back(path);
    }
}

}  // namespace tavrix::installer
