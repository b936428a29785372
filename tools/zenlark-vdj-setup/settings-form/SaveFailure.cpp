// Windows' errors of a failed save, in the words a DJ acts on.
#include "settings-form/SaveFailure.h"

// Windows' error numbers (winerror.h); this file has no platform calls.
constexpr std::uint32_t pathNotFound = 3;
constexpr std::uint32_t accessDenied = 5;
constexpr std::uint32_t writeProtect = 19;
constexpr std::uint32_t sharingViolation = 32;
constexpr std::uint32_t lockViolation = 33;
constexpr std::uint32_t handleDiskFull = 39;
constexpr std::uint32_t diskFull = 112;
constexpr std::uint32_t unableToRemoveReplaced = 1175;
constexpr std::uint32_t unableToMoveReplacement = 1176;
constexpr std::uint32_t userMappedFile = 1224;

static std::string reason(SaveStep step, std::uint32_t error) {
    switch (error) {
    case accessDenied:
    case writeProtect:
        return step == SaveStep::writeNew
                   ? "Windows lets this program write nothing in the settings file's folder (a protected or "
                     "read-only folder). Copy the folder somewhere you may write, or start this program as "
                     "an "
                     "administrator."
                   : "the settings file is read-only, or Windows does not let this program replace it. In "
                     "Explorer, right-click the file, Properties, untick Read-only; or start this program as "
                     "an administrator.";
    case sharingViolation:
    case lockViolation:
    case userMappedFile:
        return "another program holds the settings file open. Close it there (an editor, a backup or sync "
               "program), then save again.";
    case unableToRemoveReplaced:
    case unableToMoveReplacement:
        return "Windows could not put the new file in the old one's place: another program holds it open, or "
               "it is read-only. Close it there, or in Explorer right-click it, Properties, untick "
               "Read-only; "
               "then save again.";
    case diskFull:
    case handleDiskFull:
        return "the disk is full. Make room on it, then save again.";
    case pathNotFound:
        return "the settings file's folder is no longer there.";
    default:
        break;
    }
    return "Windows refused it (error " + std::to_string(error) + ").";
}

static std::string fileName(const std::string& path) {
    return path.substr(path.find_last_of("\\/") + 1);
}

std::string saveFailureInWords(SaveStep step, std::uint32_t error, const std::string& path) {
    if (step == SaveStep::unreadAtOpening)
        return "Not saved: the settings file could not be read when this window opened (another program held "
               "it open, or Windows did not let this program read it), so saving would write over all it "
               "holds. Close this window and that program, then open this window again. The file " +
               path + " is as it was.";
    if (step == SaveStep::newLeftBeside)
        return "Saved beside the settings file, not in its place: Windows removed the old file but could not "
               "put the new one there (error " +
               std::to_string(error) + "). Rename " + path + ".new to " + fileName(path) +
               ", the name the plug-in reads.";
    return "Not saved: " + reason(step, error) + " The file " + path + " is as it was.";
}
