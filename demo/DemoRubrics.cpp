#include "DemoRubrics.h"

#include <QStringList>

namespace demo {

namespace {

// The classification, one rubric a line; leading spaces give the depth.
constexpr const char16_t *kOutline[] = {
    u"Естественные науки",
    u" Физика", u"  Оптика", u"  Механика", u"  Термодинамика", u"  Физика твёрдого тела",
    u" Химия", u"  Органическая химия", u"  Неорганическая химия", u"  Аналитическая химия",
    u" Биология", u"  Ботаника", u"  Зоология", u"  Генетика",
    u" Математика", u"  Алгебра", u"  Геометрия", u"  Математический анализ", u"  Теория вероятностей",
    u" Астрономия",
    u" Науки о Земле", u"  Геология", u"  География", u"  Метеорология",
    u"Техника",
    u" Информатика", u"  Программирование", u"  Базы данных", u"  Компьютерные сети",
    u" Электротехника", u"  Электроника", u"  Радиотехника",
    u" Машиностроение",
    u" Строительство", u"  Архитектура",
    u" Транспорт", u"  Авиация", u"  Железные дороги",
    u"Общественные науки",
    u" История", u"  История России", u"  Всеобщая история", u"  Археология", u"  Краеведение",
    u" Экономика", u"  Финансы", u"  Бухгалтерский учёт", u"  Менеджмент",
    u" Право", u"  Гражданское право", u"  Уголовное право",
    u" Социология",
    u" Политология",
    u" Педагогика", u"  Дошкольное воспитание", u"  Методика преподавания",
    u"Гуманитарные науки",
    u" Философия", u"  Логика", u"  Этика",
    u" Психология",
    u" Языкознание", u"  Русский язык", u"  Иностранные языки",
    u" Литературоведение",
    u"Художественная литература",
    u" Русская литература", u"  Поэзия", u"  Проза", u"  Драматургия",
    u" Зарубежная литература",
    u" Детская литература", u"  Сказки",
    u" Фантастика",
    u" Детектив",
    u"Искусство",
    u" Живопись", u" Музыка", u" Театр и кино", u" Декоративно-прикладное искусство",
    u"Медицина",
    u" Анатомия и физиология", u" Фармакология", u" Здоровый образ жизни",
    u"Сельское хозяйство",
    u" Растениеводство", u"  Садоводство", u"  Цветоводство",
    u" Животноводство",
    u"Справочные издания",
    u" Энциклопедии", u" Словари", u" Справочники",
    u"Библиотечное дело",
    u" Библиография", u" Книговедение",
    u"Спорт и туризм",
    u" Шахматы", u" Туризм",
};

struct OutlineNode {
    QString title;
    int depth = 0;
    int parent = -1; // index into the outline
    int rank = 0;    // position among the parent's children
};

std::vector<OutlineNode> parseOutline()
{
    std::vector<OutlineNode> nodes;
    std::vector<int> lastAtDepth;
    std::vector<int> childCount(std::size(kOutline), 0);
    int topCount = 0;
    for (const char16_t *line : kOutline) {
        const QString text = QString::fromUtf16(line);
        const int depth = int(text.size() - text.trimmed().size());
        OutlineNode node{text.trimmed(), depth, depth > 0 ? lastAtDepth[std::size_t(depth - 1)] : -1, 0};
        node.rank = node.parent >= 0 ? childCount[std::size_t(node.parent)]++ : topCount++;
        lastAtDepth.resize(std::size_t(depth + 1));
        lastAtDepth[std::size_t(depth)] = int(nodes.size());
        nodes.push_back(node);
    }
    return nodes;
}

// Outline indices by depth, and within a depth first children of every parent, then second ones...
std::vector<int> emissionOrder(const std::vector<OutlineNode> &nodes)
{
    std::vector<int> order;
    for (int depth = 0; depth < 3; ++depth) {
        for (int rank = 0;; ++rank) {
            bool any = false;
            for (int i = 0; i < int(nodes.size()); ++i) {
                const OutlineNode &node = nodes[std::size_t(i)];
                if (node.depth == depth && (depth == 0 ? rank == 0 : node.rank == rank)) {
                    order.push_back(i);
                    any = true;
                }
            }
            if (!any || depth == 0)
                break;
        }
    }
    return order;
}

} // namespace

std::vector<Rubric> buildRubrics(int count)
{
    const std::vector<OutlineNode> nodes = parseOutline();
    const std::vector<int> order = emissionOrder(nodes);
    std::vector<int> idOfNode(nodes.size(), 0);
    std::vector<Rubric> rubrics;
    for (int index : order) {
        if (int(rubrics.size()) >= count)
            break;
        const OutlineNode &node = nodes[std::size_t(index)];
        const int parentId = node.parent >= 0 ? idOfNode[std::size_t(node.parent)] : 0;
        idOfNode[std::size_t(index)] = int(rubrics.size()) + 1;
        rubrics.push_back({int(rubrics.size()) + 1, node.title, parentId, false});
    }
    // More rubrics than the outline has: further sections under the second-level ones in turn.
    std::vector<int> secondLevel;
    for (const Rubric &r : rubrics) {
        if (r.parent != 0 && rubrics[std::size_t(r.parent - 1)].parent == 0)
            secondLevel.push_back(r.id);
    }
    for (int extra = 0; int(rubrics.size()) < count && !secondLevel.empty(); ++extra) {
        const int parentId = secondLevel[std::size_t(extra) % secondLevel.size()];
        const QString title = rubrics[std::size_t(parentId - 1)].title
            + QStringLiteral(": раздел %1").arg(extra / int(secondLevel.size()) + 1);
        rubrics.push_back({int(rubrics.size()) + 1, title, parentId, false});
    }
    for (const Rubric &r : rubrics) {
        if (r.parent != 0)
            rubrics[std::size_t(r.parent - 1)].hasChildren = true;
    }
    return rubrics;
}

QString rubricPath(const std::vector<Rubric> &rubrics, int id)
{
    QStringList ids;
    for (int current = id; current != 0; current = rubrics[std::size_t(current - 1)].parent)
        ids.prepend(QString::number(current));
    return ids.join(u'.') + u'.';
}

} // namespace demo
