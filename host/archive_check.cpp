#include "host/archive_check.h"
#include "assets/archive_probe.h"
#include "assets/asset_stream.h"
#include "platform/process.h"
#include <cstring>

namespace qm {

bool dataArchiveReadable(std::string& message)
{
    int osError = 0;
    ArchiveProbe probe = probeArchive(AssetStream::ARCHIVE_NAME, &osError);
    if (probe == ArchiveProbe::READABLE) return true;
    std::string folder = platform::currentDirectory();
    if (folder.empty()) folder = "the current folder";
    const std::string archive = std::string(AssetStream::ARCHIVE_NAME) + " in " + folder;
    switch (probe) {
    case ArchiveProbe::MISSING:
        message = "There is no " + archive + ".";
        break;
    case ArchiveProbe::CANNOT_OPEN:
        message = "The file " + archive + " cannot be read (" + std::strerror(osError) + ").";
        break;
    case ArchiveProbe::NOT_AN_ARCHIVE:
        message = "The file " + archive + " is not a RAR archive.";
        break;
    default:
        message = "The file " + archive + " is damaged or incomplete.";
        break;
    }
    message += " Quillmark draws everything from this file: reinstall Quillmark, or set \"Path\" in "
               "its settings to the folder that holds data.rar.";
    return false;
}

} // namespace qm
