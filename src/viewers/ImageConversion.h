// Image conversion: the files of a file group written again in another
// format of the image format table, at a chosen depth, optionally shrunk
// to a size constraint (aspect kept, never enlarged), optionally deleting
// each source once its output is complete.
//
// Safety over the old behaviour:
//   - "Cannot convert over itself (%s)" is decided by the output directory
//     being the source's directory (device and inode, so a link to it
//     counts) and the names being equal without regard to case, or by the
//     output being the source itself (a hard link);
//   - the output is written to a new temporary file in the output
//     directory (created exclusively) and renamed over the output name only
//     when complete; a failure leaves no partial file;
//   - the source is deleted only after that rename;
//   - formats nothing here can write are refused before the run starts.
//
// The settings are the user parameter "Image Conversion Settings": five
// integers (delete source 0, prompt before overwrite 1, format code 6,
// bits per pixel 8, size button 112).
//
// The job runs on a worker thread; it asks through the context's user
// interface, shows the status window "Converting Images" (each file's
// messages in its list) and announces the new outputs and the deleted
// sources through the context's change sink.
#pragma once

#include "ui/Job.h"
#include "ui/OperationContext.h"
#include "viewers/FitToBox.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorlane::viewers {

constexpr const char* kImageConversionParameter = "Image Conversion Settings";

// The size radio buttons: "&None", "&640x480", "&800x600", "1&024x768".
enum ImageSizeButton : int {
    kSizeNone = 112,
    kSize640 = 113,
    kSize800 = 114,
    kSize1024 = 115,
};

struct ImageConversionSettings {
    bool deleteSource = false;
    bool promptOverwrite = true;
    int formatCode = 6;
    int bitsPerPixel = 8;
    int sizeButton = kSizeNone;

    std::vector<int32_t> ToInts() const;
    // The defaults unless values holds five integers.
    static ImageConversionSettings FromInts(const std::vector<int32_t>& values);
    bool operator==(const ImageConversionSettings&) const = default;
};

// The box of a size button; {0, 0} for none.
ImageSize SizeConstraint(int sizeButton);

struct ImageConversionParameters {
    ImageConversionSettings settings;
    std::vector<std::string> sources; // DOS paths
    std::string outputDirectory;      // DOS path (or a host path)
};

// The checks before a run, in order; "" when it may start. Asks nothing:
// the dialog asks the delete question itself.
std::string CheckImageConversion(const ImageConversionParameters& parameters,
                                 const platform::DriveMap& drives);

// The output name of a source name: its extension replaced by the
// format's default extension ("photo.tif", JPEG -> "photo.JPG").
std::string ConvertedName(const std::string& sourceName, int formatCode);

// The depth a code is saved at for a wanted depth: the wanted one when the
// format allows it, else the next higher it allows, else its highest.
int SaveDepth(int formatCode, int bitsPerPixel);

class CImageConversionJob : public ui::Job {
  public:
    explicit CImageConversionJob(ImageConversionParameters parameters)
        : m_parameters(std::move(parameters)) {}

    std::string Title() const override { return "Converting Images"; }
    std::string DriveLetters() const override;
    ui::JobResult Run(ui::OperationContext& context) override;
    int Converted() const { return m_converted; }

  private:
    ImageConversionParameters m_parameters;
    int m_converted = 0;
};

} // namespace vorlane::viewers
