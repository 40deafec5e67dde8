// Where thumbnails are kept: object kind 5 of the object database, one
// object per picture, named by the picture's full DOS path lower-cased
// ("c:\pics\beach.jpg"). The object's data is the thumbnail as an 8-bit
// PNG of at most 128 by 96 pixels that also carries, in an iTXt chunk
// with the keyword "Vorlane Path", the picture's exact path
// (docs/formats/VORLN32.DAT.md). Two files whose paths differ only in case
// share one name; the exact path says whose thumbnail it is, so a window
// never shows one file's picture for the other.
//
// IThumbnailStore is what the thumbnail code reads and writes through;
// CObjectDatabaseThumbnailStore is it over an open database, called on the
// database's owner thread. A job on a worker thread is handed a store that
// carries each call to that thread (the GUI's, gui/CGuiThumbnailStore).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorlane::objdb {
class CObjectDatabase;
}
namespace vorlane::platform {
class DriveMap;
}

namespace vorlane::viewers {

// The PNG text keyword of the exact path.
inline constexpr const char* kThumbnailPathKeyword = "Vorlane Path";

// The object name of a picture's thumbnail: its DOS path with the letters
// A to Z lower-cased.
std::string ThumbnailKey(const std::string& dosPath);

// The object data: png with the exact path's chunk put in before its IEND
// chunk. Empty when png is not a PNG.
std::vector<uint8_t> EncodeThumbnailObject(const std::vector<uint8_t>& png,
                                           const std::string& exactPath);
// Whether data is a PNG; *exactPath gets the path chunk's text ("" for an
// object stored without one).
bool DecodeThumbnailObject(const std::vector<uint8_t>& data, std::string* exactPath);
// Whether a stored object may be shown for the file at dosPath: it is a PNG
// and its exact path is dosPath (an object without a path is taken to be
// the file's).
bool ThumbnailBelongsTo(const std::vector<uint8_t>& data, const std::string& dosPath);

// Whether a stored object may be shown for the file at dosPath: it belongs
// to it, or its exact path names the same file (same device and inode: a
// volume that ignores case shows one file under names of any case).
bool ThumbnailShowsFile(const std::vector<uint8_t>& data, const std::string& dosPath,
                        const platform::DriveMap& drives);

class IThumbnailStore {
  public:
    virtual ~IThumbnailStore() = default;
    // The object named key; false when there is none.
    virtual bool Get(const std::string& key, std::vector<uint8_t>* data) = 0;
    // Stores data under key, replacing an older object.
    virtual bool Put(const std::string& key, const std::vector<uint8_t>& data) = 0;
    // False when there was none or it could not be deleted.
    virtual bool Delete(const std::string& key) = 0;
    // Every thumbnail object's name, in key order.
    virtual std::vector<std::string> Names() = 0;
    // The database's sentence for the last failure.
    virtual std::string LastError() = 0;
};

class CObjectDatabaseThumbnailStore : public IThumbnailStore {
  public:
    // REQUIRES: database outlives the store; called on its owner thread.
    explicit CObjectDatabaseThumbnailStore(objdb::CObjectDatabase& database) : m_db(database) {}
    bool Get(const std::string& key, std::vector<uint8_t>* data) override;
    bool Put(const std::string& key, const std::vector<uint8_t>& data) override;
    bool Delete(const std::string& key) override;
    std::vector<std::string> Names() override;
    std::string LastError() override;

  private:
    objdb::CObjectDatabase& m_db;
};

} // namespace vorlane::viewers
