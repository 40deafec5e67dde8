#include "viewers/ImageConversion.h"

#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "ui/MessageText.h"
#include "ui/UserInterface.h"
#include "viewers/CImage.h"
#include "viewers/ImageFormats.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlane::viewers {

std::vector<int32_t> ImageConversionSettings::ToInts() const {
    return {deleteSource ? 1 : 0, promptOverwrite ? 1 : 0, formatCode, bitsPerPixel, sizeButton};
}

ImageConversionSettings ImageConversionSettings::FromInts(const std::vector<int32_t>& values) {
    ImageConversionSettings settings;
    if (values.size() != 5)
        return settings;
    settings.deleteSource = values[0] != 0;
    settings.promptOverwrite = values[1] != 0;
    settings.formatCode = values[2];
    settings.bitsPerPixel = values[3];
    settings.sizeButton = values[4];
    return settings;
}

ImageSize SizeConstraint(int sizeButton) {
    switch (sizeButton) {
    case kSize640:
        return {640, 480};
    case kSize800:
        return {800, 600};
    case kSize1024:
        return {1024, 768};
    default:
        return {0, 0};
    }
}

namespace {

bool ToHost(const std::string& path, std::string* host, const platform::DriveMap& drives) {
    if (!path.empty() && path[0] == '/') {
        *host = path;
        return true;
    }
    return platform::DosToHost(path, host, nullptr, drives);
}

bool IsDirectory(const std::string& host) {
    struct stat st;
    return ::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string BaseName(const std::string& path) {
    const size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string Join(const std::string& dir, const std::string& name) {
    if (!dir.empty() && dir[0] == '/')
        return dir.back() == '/' ? dir + name : dir + "/" + name;
    return platform::JoinDosPath(dir, name);
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

std::string CheckImageConversion(const ImageConversionParameters& parameters,
                                 const platform::DriveMap& drives) {
    if (parameters.sources.empty())
        return "No files have been selected for conversion!";
    if (parameters.outputDirectory.empty())
        return "An output path must be specified!";
    std::string host;
    if (!ToHost(parameters.outputDirectory, &host, drives) || !IsDirectory(host))
        return ui::FormatText("'%s'is NOT a valid path!", parameters.outputDirectory.c_str());
    const int code = parameters.settings.formatCode;
    if (FindImageFormat(code) == nullptr)
        return "Choose a file format for the converted images.";
    if (ImageFormatSaver(code).saver == nullptr)
        return "Vorlane cannot write " + ImageFormatName(code) +
               " pictures. Choose another file format (the help lists the ones it writes).";
    return "";
}

std::string ConvertedName(const std::string& sourceName, int formatCode) {
    const size_t dot = sourceName.rfind('.');
    const std::string stem =
        dot == std::string::npos || dot == 0 ? sourceName : sourceName.substr(0, dot);
    return stem + "." + ImageFormatDefaultExtension(formatCode);
}

int SaveDepth(int formatCode, int bitsPerPixel) {
    int highest = 0;
    for (int depth : {1, 4, 8, 16, 24, 32}) {
        if (!ImageFormatHasDepth(formatCode, depth))
            continue;
        if (depth >= bitsPerPixel)
            return depth;
        highest = depth;
    }
    return highest;
}

std::string CImageConversionJob::DriveLetters() const {
    std::string letters;
    auto add = [&](const std::string& path) {
        const char letter = platform::PathDriveLetter(path);
        if (letter && letters.find(letter) == std::string::npos)
            letters += letter;
    };
    for (const std::string& source : m_parameters.sources)
        add(source);
    add(m_parameters.outputDirectory);
    return letters;
}

ui::JobResult CImageConversionJob::Run(ui::OperationContext& context) {
    ui::JobResult result;
    ui::UserInterface& ui = context.Ui();
    const ImageConversionSettings& settings = m_parameters.settings;
    std::unique_ptr<ui::StatusWindow> status =
        ui.MakeStatusWindow(ui::StatusKind::Recompress, "Converting Images");
    const auto say = [&](const std::string& text) {
        status->AddError(text);
        result.ok = false;
    };
    std::string outDirHost;
    ToHost(m_parameters.outputDirectory, &outDirHost, context.Drives());
    struct stat outDir;
    const bool outDirKnown = ::stat(outDirHost.c_str(), &outDir) == 0;
    const ImageSize box = SizeConstraint(settings.sizeButton);
    const int depth = SaveDepth(settings.formatCode, settings.bitsPerPixel);
    const size_t total = m_parameters.sources.size();
    for (size_t i = 0; i < total; ++i) {
        if (status->Cancelled()) {
            result.cancelled = true;
            break;
        }
        const std::string& source = m_parameters.sources[i];
        status->SetArchive(source);
        status->SetOverallPercent(static_cast<int>(i * 100 / total));
        std::string sourceHost;
        ToHost(source, &sourceHost, context.Drives());
        const std::string outName = ConvertedName(BaseName(source), settings.formatCode);
        const std::string output = Join(m_parameters.outputDirectory, outName);
        std::string outHost;
        ToHost(output, &outHost, context.Drives());

        // 1. Over itself: the same directory (by device and inode) and the
        //    same name without regard to case, or the output is the source.
        struct stat src, out, srcDir;
        const bool haveSource = ::stat(sourceHost.c_str(), &src) == 0;
        const std::string sourceDirHost = sourceHost.substr(0, sourceHost.rfind('/') + 1);
        const bool sameDir =
            outDirKnown && ::stat(sourceDirHost.c_str(), &srcDir) == 0 && SameFile(srcDir, outDir);
        const bool outExists = ::stat(outHost.c_str(), &out) == 0;
        if ((sameDir && platform::CompareNoCase(BaseName(sourceHost), outName) == 0) ||
            (haveSource && outExists && SameFile(src, out))) {
            say(ui::FormatText("Cannot convert over itself (%s)", source.c_str()));
            continue;
        }
        // 2. Load at the file's own depth.
        status->SetCurrentMessage("Loading image...");
        CImage image;
        if (!image.LoadFile(sourceHost)) {
            if (haveSource && DetectImageFormat(sourceHost) == kNotAnImage)
                say(ui::FormatText("'%s' is not a graphics file.", source.c_str()));
            else
                say(ui::FormatText("Unable to load '%s' - error code = %d.", source.c_str(),
                                   haveSource ? -1 : 2));
            continue;
        }
        // 3. Overwrite?
        if (settings.promptOverwrite && outExists &&
            !ui.AskYesNo(ui::FormatText("Do you wish to overwrite '%s'?", output.c_str()),
                         "WARNING")) {
            say(ui::FormatText("User aborted saving of '%s'.", output.c_str()));
            continue;
        }
        // 4. Shrink to the constraint (never enlarged).
        if (box.width > 0 && (image.Width() > box.width || image.Height() > box.height)) {
            status->SetCurrentMessage("Resizing image...");
            if (!image.ShrinkToFit(box.width, box.height)) {
                say(ui::FormatText("Unable to resize '%s'.", source.c_str()));
                continue;
            }
        }
        // 5. Save into a new temporary file beside the output, then rename.
        status->SetCurrentMessage("Saving image...");
        std::string temp = outDirHost + "/.vorlane-convert-XXXXXX";
        const int fd = ::mkstemp(temp.data());
        bool saved = fd >= 0;
        if (fd >= 0) {
            ::fchmod(fd, 0644); // as a file the user made, not mkstemp's 0600
            ::close(fd);
        }
        saved = saved && image.Save(temp, settings.formatCode, depth) &&
                ::rename(temp.c_str(), outHost.c_str()) == 0;
        if (!saved) {
            if (fd >= 0)
                ::unlink(temp.c_str());
            say(ui::FormatText("Unable to save '%s'.", output.c_str()));
            continue;
        }
        // 6. The output is whole: now the source may go.
        if (settings.deleteSource && ::unlink(sourceHost.c_str()) == 0)
            context.Notices().Notify({ui::ChangeKind::Removed, source, "", false});
        context.Notices().Notify(
            {outExists ? ui::ChangeKind::Changed : ui::ChangeKind::Added, output, "", false});
        ++m_converted;
    }
    status->SetOverallPercent(100);
    result.summary =
        std::to_string(m_converted) + (m_converted == 1 ? " image converted" : " images converted");
    return result;
}

} // namespace vorlane::viewers
