#include "platform/ui/qt_settings_store.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

class SettingsStoreTest : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    QString Path() const { return dir.filePath("Vorla.conf"); }
    void WriteRaw(const QByteArray& bytes) {
        QFile f(Path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
};

TEST_F(SettingsStoreTest, ValuesSurviveARestart) {
    {
        ui::QtSettingsStore store(Path());
        EXPECT_FALSE(store.ReadDword("Background"));
        EXPECT_FALSE(store.ReadString("LastDir"));
        EXPECT_TRUE(store.WriteDword("Background", 0x00FF0000));
        EXPECT_TRUE(store.WriteDword("Grid", 0xFFFFFFFF));
        EXPECT_TRUE(store.WriteDword("Help", 0));
        EXPECT_TRUE(store.WriteString("LastDir", "/home/пользователь/Models, old"));
        EXPECT_TRUE(store.WriteStringList("Recent", {"/m/дом, 2.vvl", "/m/a.vvl"}));
        EXPECT_TRUE(store.WriteStringList("One", {"/m/a.vvl"}));
        EXPECT_TRUE(store.Flush());
    }
    ui::QtSettingsStore again(Path());
    EXPECT_EQ(again.ReadDword("Background"), 0x00FF0000u);
    EXPECT_EQ(again.ReadDword("Grid"), 0xFFFFFFFFu);
    EXPECT_EQ(again.ReadDword("Help"), 0u);
    EXPECT_EQ(again.ReadString("LastDir"), "/home/пользователь/Models, old");
    EXPECT_EQ(again.ReadStringList("Recent"),
              (std::vector<std::string>{"/m/дом, 2.vvl", "/m/a.vvl"}));
    EXPECT_EQ(again.ReadStringList("One"), std::vector<std::string>{"/m/a.vvl"});
    EXPECT_FALSE(again.ReadStringList("Missing"));
}

TEST_F(SettingsStoreTest, DamagedOrStrangeValuesReadAsMissing) {
    WriteRaw(
        "[General]\nBackground=dark blue\nGrid=-5\nHelp=99999999999\nButtons=0x1\n"
        "LastDir=a, b\n");
    ui::QtSettingsStore store(Path());
    EXPECT_FALSE(store.ReadDword("Background"));
    EXPECT_FALSE(store.ReadDword("Grid"));
    EXPECT_FALSE(store.ReadDword("Help"));
    EXPECT_EQ(store.ReadDword("Buttons"), 1u);
    EXPECT_FALSE(store.ReadString("LastDir"));  // a list, not one folder
}

TEST_F(SettingsStoreTest, BinaryGarbageDoesNotCrashAndCanBeOverwritten) {
    QByteArray junk;
    for (int i = 0; i < 4096; ++i) junk.append(static_cast<char>((i * 7919) & 0xFF));
    WriteRaw(junk);
    {
        ui::QtSettingsStore store(Path());
        EXPECT_FALSE(store.ReadDword("Background"));
        store.WriteDword("Background", 160);
        store.Flush();
    }
    ui::QtSettingsStore again(Path());
    EXPECT_EQ(again.ReadDword("Background"), 160u);
}

TEST_F(SettingsStoreTest, AnUnwritableLocationReportsFailure) {
    ui::QtSettingsStore store("/proc/vorla-does-not-exist/Vorla.conf");
    EXPECT_FALSE(store.ReadDword("Background"));
    store.WriteDword("Background", 1);
    EXPECT_FALSE(store.Flush());
}

}  // namespace
