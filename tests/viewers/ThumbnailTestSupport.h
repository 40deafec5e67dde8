// Fixture of the thumbnail tests: drive C: mapped onto a temporary
// directory, an object database of its own, the scripted user interface
// and a recorder of change notices, all in one operation context.
#pragma once

#include "ImageMaker.h"
#include "objdb/CObjectDatabase.h"
#include "platform/Drives.h"
#include "support/TestSupport.h"
#include "ui/OperationContext.h"
#include "ui/ScriptedUserInterface.h"
#include "viewers/ThumbnailStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace vorlane::viewers::test {

class ThumbnailTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(cRoot);
        drives = std::make_shared<platform::DriveMap>(platform::DriveMap::FromSpec("C=" + cRoot));
        context =
            std::make_unique<ui::OperationContext>(ui, drives, ui::OperationOptions{}, &notices);
        ASSERT_TRUE(db.Open(dir / "VORLN32.DAT", true, objdb::kObjectDatabaseMaxRecordSize));
        db.SetDurable(false);
        ui.OnUnexpected([](const std::string& what) { ADD_FAILURE() << "unexpected: " << what; });
    }

    // Makes directories as needed; "Pics/a.png" under C:.
    std::string Picture(const std::string& relative, int width, int height) {
        const std::string path = cRoot + "/" + relative;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        MakePicture(path, width, height);
        return path;
    }
    // The stored object of a DOS path's name, or empty.
    std::vector<uint8_t> Stored(const std::string& dosPath) {
        std::vector<uint8_t> data;
        store.Get(ThumbnailKey(dosPath), &data);
        return data;
    }

    vorlane::test::TempDir dir;
    std::string cRoot = dir / "c";
    std::shared_ptr<platform::DriveMap> drives;
    ui::ScriptedUserInterface ui;
    ui::ChangeRecorder notices;
    std::unique_ptr<ui::OperationContext> context;
    objdb::CObjectDatabase db;
    CObjectDatabaseThumbnailStore store{db};
};

} // namespace vorlane::viewers::test
