#include "interaction/command_table.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

using namespace interaction;

using namespace camera;
using namespace input;
using namespace interaction;
using namespace model;

namespace {

// The menu as the user sees it: "-" a separator, ">" a submenu title, "<" its end, "*" the
// title of the recent-files submenu; otherwise "text\tlabel" of an item, with its command id.
struct Row {
    std::string text;
    int id = 0;
};

std::vector<Row> Rows(const MenuPopup& popup) {
    std::vector<Row> out;
    for (const MenuEntry& e : popup.entries) {
        switch (e.kind) {
            case MenuEntry::Kind::Separator:
                out.push_back({"-"});
                break;
            case MenuEntry::Kind::SubmenuBegin:
                out.push_back({std::string(">") + e.text});
                break;
            case MenuEntry::Kind::SubmenuEnd:
                out.push_back({"<"});
                break;
            case MenuEntry::Kind::RecentFiles:
                out.push_back({std::string("*") + e.text});
                break;
            case MenuEntry::Kind::Item: {
                const Command* c = Find(e.id);
                EXPECT_NE(c, nullptr) << e.id;
                if (c) out.push_back({std::string(c->menuText) + "\t" + c->keyLabel, e.id});
                break;
            }
        }
    }
    return out;
}

}  // namespace

TEST(CommandTable, TheMenuBarRowByRow) {
    const std::map<std::string, std::vector<Row>> expected = {
        {"Файл",
         {{"&Создать\tCtrl+N", 40053},
          {"-"},
          {"&Открыть...\tCtrl+O", 40052},
          {"*Недавние файлы"},
          {"&Сохранить как...\tCtrl+S", 40051},
          {"-"},
          {"&Экспорт...\t", 40160},
          {"Сохранить &изображение...\t", 40161},
          {"-"},
          {"&Выход\t", 57665}}},
        {"Действия",
         {{"Отменить\tCtrl+Z", 57643},
          {"Повторить\tCtrl+Y", 57644},
          {"-"},
          {"Копировать ветку\tCtrl+C", 57634},
          {"Вставить ветку\tCtrl+V", 57637},
          {"Удалить ветку\tDelete", 57632},
          {"Покрасить ветку\tCtrl+P", 40170},
          {"-"},
          {"Вращение вокруг Цели\tTAB", 40098},
          {"Свободная Цель\tTAB", 40099},
          {"-"},
          {"Автокручение вокруг Цели\tПробел", 40100},
          {"Автокручение Цели\tПробел", 40101},
          {"-"},
          {"Красный\t1", 40018},
          {"Желтый\t2", 40019},
          {"Зеленый\t3", 40020},
          {"Синий\t4", 40021},
          {"Белый\t5", 40022},
          {"Случайный\t6", 40029},
          {"-"},
          {"Скопировать цвет\t7", 40115},
          {"Осмотреть конструкцию\tEsc", 40113},
          {"Добавить Торвин\t+", 40105},
          {"Удалить Торвин\t-", 40104},
          {"Красить Торвин\tP", 40084},
          {"Крутить Торвин\tR", 40080},
          {"-"},
          {"Центр\tEnter", 40078},
          {"Выбрать Центр\tT", 40124},
          {"Найти ближайший Торвин\tN", 40126}}},
        {"Дисплей",
         {{"Показывать кнопки\tF2", 40122},
          {"Показывать &сетку\tF3", 40023},
          {"Показывать оси вращения\tF4", 40041},
          {">&Детализация Торвина"},
          {"&Высокая\tF5", 2007},
          {"&Средняя\tF6", 2008},
          {"&Низкая\tF7", 2009},
          {"<"},
          {"&Показывать в виде кубов\tF8", 40025},
          {"-"},
          {"Цвет фона\tF9", 40086},
          {"Цвет сетки\tF10", 40089},
          {"-"},
          {"&На полный экран\tAlt+Enter", 2003},
          {"-"},
          {">Стандартный вид"},
          {"Спереди\tCtrl+1", 40171},
          {"Сзади\tCtrl+2", 40172},
          {"Слева\tCtrl+3", 40173},
          {"Справа\tCtrl+4", 40174},
          {"Сверху\tCtrl+5", 40175},
          {"Снизу\tCtrl+6", 40176},
          {"Изометрия\tCtrl+7", 40177},
          {"<"},
          {"Выровнять горизонт\tCtrl+H", 40178}}},
        {"Помощь", {{"Показывать подсказки\tF1", 40026}, {"-"}, {"О программе\t/", 40031}}},
    };
    const std::vector<std::string> order = {"Файл", "Действия", "Дисплей", "Помощь"};
    ASSERT_EQ(Menu().size(), order.size());
    for (size_t p = 0; p < order.size(); ++p) {
        EXPECT_EQ(Menu()[p].title, order[p]);
        const std::vector<Row> rows = Rows(Menu()[p]);
        const std::vector<Row>& want = expected.at(order[p]);
        ASSERT_EQ(rows.size(), want.size()) << order[p];
        for (size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i].text, want[i].text) << order[p] << " row " << i;
            EXPECT_EQ(rows[i].id, want[i].id) << order[p] << " row " << i;
        }
    }
}

TEST(CommandTable, EveryAcceleratorAndNothingElse) {
    struct Accel {
        int key;
        bool ctrl, shift, alt;
        int id;
    };
    const std::vector<Accel> table = {
        {'N', 1, 0, 0, 40053},
        {'O', 1, 0, 0, 40052},
        {'S', 1, 0, 0, 40051},
        {9, 0, 0, 0, 40039},
        {32, 0, 0, 0, 40013},
        {'1', 0, 0, 0, 40018},
        {'2', 0, 0, 0, 40019},
        {'3', 0, 0, 0, 40020},
        {'4', 0, 0, 0, 40021},
        {'5', 0, 0, 0, 40022},
        {'6', 0, 0, 0, 40029},
        {'7', 0, 0, 0, 40115},
        {27, 0, 0, 0, 40113},
        {0xBB, 0, 0, 0, 40105},
        {107, 0, 0, 0, 40105},
        {0xBD, 0, 0, 0, 40104},
        {109, 0, 0, 0, 40104},
        {'P', 0, 0, 0, 40084},
        {'R', 0, 0, 0, 40080},
        {112, 0, 0, 0, 40026},
        {113, 0, 0, 0, 40122},
        {114, 0, 0, 0, 40023},
        {115, 0, 0, 0, 40041},
        {116, 0, 0, 0, 2007},
        {117, 0, 0, 0, 2008},
        {118, 0, 0, 0, 2009},
        {119, 0, 0, 0, 40025},
        {120, 0, 0, 0, 40086},
        {121, 0, 0, 0, 40089},
        {13, 0, 0, 1, 2003},
        {13, 0, 0, 0, 40078},
        {'T', 0, 0, 0, 40124},
        {'N', 0, 0, 0, 40126},
        {8, 0, 0, 0, 40082},
        {0xBF, 0, 0, 0, 40031},
        {'Z', 1, 0, 0, 57643},
        {'Y', 1, 0, 0, 57644},
        {'Z', 1, 1, 0, 57644},
        // Branches, standard views and the horizon.
        {'C', 1, 0, 0, 57634},
        {'V', 1, 0, 0, 57637},
        {46, 0, 0, 0, 57632},
        {'P', 1, 0, 0, 40170},
        {'1', 1, 0, 0, 40171},
        {'2', 1, 0, 0, 40172},
        {'3', 1, 0, 0, 40173},
        {'4', 1, 0, 0, 40174},
        {'5', 1, 0, 0, 40175},
        {'6', 1, 0, 0, 40176},
        {'7', 1, 0, 0, 40177},
        {'H', 1, 0, 0, 40178},
    };
    std::set<std::tuple<int, bool, bool, bool>> listed;
    for (const Accel& a : table) {
        InputMessage m{.kind = MessageKind::KeyDown,
                       .buttons = (a.ctrl ? vk::MK_CONTROL : 0u) | (a.shift ? vk::MK_SHIFT : 0u),
                       .virtualKey = a.key,
                       .alt = a.alt};
        EXPECT_EQ(TranslateAccelerator(m), a.id) << a.key;
        listed.insert({a.key, a.ctrl, a.shift, a.alt});
        m.kind = MessageKind::KeyUp;
        EXPECT_EQ(TranslateAccelerator(m), std::nullopt);
    }
    // No key of the table answers with other modifiers, and no command has a key that the
    // table does not list.
    for (const Command& c : All()) {
        for (const KeyChord& k : c.keys) {
            if (k.virtualKey) {
                EXPECT_TRUE(listed.count({k.virtualKey, k.ctrl, k.shift, k.alt})) << c.id;
            }
        }
    }
    InputMessage s;
    s.kind = MessageKind::KeyDown;
    s.virtualKey = 'S';
    EXPECT_EQ(TranslateAccelerator(s), std::nullopt);  // plain S is a camera key
    s.virtualKey = 'T';
    s.buttons = vk::MK_SHIFT;
    EXPECT_EQ(TranslateAccelerator(s), std::nullopt);
}

TEST(CommandTable, CheckMarksFollowTheState) {
    CVelVorlaSystem sys;
    CVelCamera camera;
    auto checked = [&] {
        std::set<int> on;
        for (const Command& c : All())
            if (IsChecked(c, sys, camera)) on.insert(c.id);
        return on;
    };
    // A new construction: inspect, high detail, random colour; orbit camera, no spin.
    sys.mode = ModeInspect;
    sys.detailLevel = 1;
    sys.randomColour = 1;
    sys.showHints = 1;
    sys.showButtons = 1;
    camera.orbitMode = 1;
    EXPECT_EQ(checked(), (std::set<int>{40113, 2007, 40029, 40026, 40122, 40098}));

    sys.randomColour = 0;
    sys.currentColour = 2;
    sys.showAsCubes = 1;  // no detail level is checked while cubes are shown
    sys.showGrid = 1;
    sys.showAxes = 1;
    sys.showHints = 0;
    sys.showButtons = 0;
    sys.mode = ModeChooseCentre;  // no mode item is checked
    camera.orbitMode = 0;
    camera.autoSpinAround = 1;
    camera.autoSpinTarget = 1;
    EXPECT_EQ(checked(), (std::set<int>{40020, 40025, 40023, 40041, 40099, 40100, 40101}));
    for (auto [mode, id] : std::map<int, int>{{ModeTwist, 40080},
                                              {ModePaint, 40084},
                                              {ModeAdd, 40105},
                                              {ModeDelete, 40104},
                                              {ModeCopyColour, 40115}}) {
        sys.mode = mode;
        EXPECT_TRUE(checked().count(id)) << id;
    }
}
