#include "platform/ui/qt_settings_store.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

using namespace services;

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
    QByteArray ReadRaw() {
        QFile f(Path());
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
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

TEST_F(SettingsStoreTest, ReadsWhatQtsOwnIniWriterWrote) {
    // Files from earlier versions of the program were written by QSettings itself.
    const QString dirText = QString::fromUtf8("@/home/пользователь/\"Модели\", 1\t\\");
    const QString qtPath = dir.filePath("qt.conf");
    {
        QSettings qt(qtPath, QSettings::IniFormat);
        qt.setValue("Background", 0xA0u);
        qt.setValue("Grid", 4294967295u);
        qt.setValue("LastDir", dirText);
        qt.setValue("Recent", QStringList{dirText, "/b.vvl"});
    }
    // A copy: QSettings caches what it parsed per path, and must parse this afresh.
    ASSERT_TRUE(QFile::copy(qtPath, Path()));
    ui::QtSettingsStore store(Path());
    EXPECT_EQ(store.ReadDword("Background"), 0xA0u);
    EXPECT_EQ(store.ReadDword("Grid"), 0xFFFFFFFFu);
    EXPECT_EQ(store.ReadString("LastDir"), dirText.toStdString());
    EXPECT_EQ(store.ReadStringList("Recent"),
              (std::vector<std::string>{dirText.toStdString(), "/b.vvl"}));
}

TEST_F(SettingsStoreTest, EncodedValuesAreNeverDecodedAndSurviveAWrite) {
    // Qt's reader would decode this with QDataStream, one call per level, and overflow the
    // stack: lists nested 200,000 deep, then an int.
    QByteArray nested = "Junk=@Variant(";
    for (int i = 0; i < 200000; ++i) nested += "\\0\\0\\0\\t\\0\\0\\0\\x1";
    nested += "\\0\\0\\0\\x2\\0\\0\\0\\a)";
    WriteRaw("[General]\nBackground=@Variant(\\0\\0\\0\\x3\\0\\0\\0\\x5)\nHelp=0\n" + nested +
             "\n[Other]\nList=a, b\n");
    {
        ui::QtSettingsStore store(Path());
        EXPECT_FALSE(store.ReadDword("Background"));
        EXPECT_EQ(store.ReadDword("Help"), 0u);
        EXPECT_FALSE(store.ReadString("Junk"));
        EXPECT_TRUE(store.WriteDword("Grid", 7));
        EXPECT_TRUE(store.Flush());
    }
    // The encoded value is kept as written; other keys and groups are kept too.
    EXPECT_TRUE(ReadRaw().contains(nested));
    ui::QtSettingsStore again(Path());
    EXPECT_EQ(again.ReadDword("Grid"), 7u);
    EXPECT_EQ(again.ReadStringList("Other/List"), (std::vector<std::string>{"a", "b"}));
}

TEST_F(SettingsStoreTest, EachFlushReachesTheDiskAndKeepsWhatAnotherEditorWrote) {
    ui::QtSettingsStore mine(Path());
    ui::QtSettingsStore other(Path());
    mine.WriteDword("Background", 1);
    EXPECT_TRUE(mine.Flush());
    EXPECT_EQ(ui::QtSettingsStore(Path()).ReadDword("Background"), 1u);
    other.WriteStringList("Recent", {"/a.vvl", "/b.vvl"});
    EXPECT_TRUE(other.Flush());
    mine.WriteDword("Help", 0);
    EXPECT_TRUE(mine.Flush());
    ui::QtSettingsStore again(Path());
    EXPECT_EQ(again.ReadDword("Background"), 1u);
    EXPECT_EQ(again.ReadDword("Help"), 0u);
    EXPECT_EQ(again.ReadStringList("Recent"), (std::vector<std::string>{"/a.vvl", "/b.vvl"}));
}

TEST_F(SettingsStoreTest, AFileMarkedReadOnlyStaysAsItIsAndTheStoreSaysWhy) {
    WriteRaw("[General]\nHelp=1\n");
    ASSERT_TRUE(QFile::setPermissions(Path(), QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    ui::QtSettingsStore store(Path());
    store.WriteDword("Help", 0);
    EXPECT_FALSE(store.Flush());
    EXPECT_EQ(store.LastError(), "нет прав доступа");
    EXPECT_EQ(ReadRaw(), "[General]\nHelp=1\n");
}

TEST_F(SettingsStoreTest, AnUnwritableLocationReportsFailure) {
    ui::QtSettingsStore store("/proc/vorla-does-not-exist/Vorla.conf");
    EXPECT_FALSE(store.ReadDword("Background"));
    store.WriteDword("Background", 1);
    EXPECT_FALSE(store.Flush());
}

}  // namespace
