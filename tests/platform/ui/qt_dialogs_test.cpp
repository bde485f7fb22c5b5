#include "platform/ui/qt_dialogs.h"

#include <gtest/gtest.h>

#include <QDir>

namespace {

TEST(QtDialogs, StartNameNamesTheFolderTheDialogOpensIn) {
    EXPECT_EQ(ui::DialogFolder("/home/u/Models/*.vvl"), "/home/u/Models");
    EXPECT_EQ(ui::DialogFolder("C:\\work\\Models\\*.vvl"), "C:\\work\\Models");
    EXPECT_EQ(ui::DialogFolder("/home/u"), "/home/u");
    EXPECT_EQ(ui::DialogFolder("/home/Жёлтый/*.vvl"), "/home/Жёлтый");
    EXPECT_EQ(ui::DialogFolder(""), QDir::currentPath());
}

}  // namespace
