#include "platform/ui/qt_dialogs.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QLocale>

using namespace services;

namespace {

TEST(QtDialogs, StartNameNamesTheFolderTheDialogOpensIn) {
    EXPECT_EQ(ui::DialogFolder("/home/u/Models/*.vvl"), "/home/u/Models");
    EXPECT_EQ(ui::DialogFolder("C:\\work\\Models\\*.vvl"), "C:\\work\\Models");
    EXPECT_EQ(ui::DialogFolder("/home/u"), "/home/u");
    EXPECT_EQ(ui::DialogFolder("/home/Жёлтый/*.vvl"), "/home/Жёлтый");
    EXPECT_EQ(ui::DialogFolder(""), QDir::currentPath());
}

TEST(QtDialogs, StandardButtonsSpeakRussianUnderAnEnglishLocale) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ASSERT_TRUE(ui::InstallRussianTranslations(*QCoreApplication::instance()));
    // The texts Qt puts on the Yes / No / Cancel buttons of a message box.
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Да");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&No"), "&Нет");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Отмена");
    QLocale::setDefault(QLocale::system());
}

}  // namespace
