#include "history/SearchResultList.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <algorithm>

#include "model/HistorySearch.h"

namespace kiv {

namespace {

// Characters kept before the first match when a text is cut.
constexpr int kLeadBeforeMatch = 6;
// A match starting this far in may lie beyond the column's edge.
constexpr int kCutFrom = 16;
// Characters a cut text keeps at least, about what the column shows.
constexpr int kTailKept = 14;
const QColor kMarkBackground(255, 226, 130);

// Draws the text column with its marks as formatting ranges of one laid-out
// line, so a message that looks like markup is drawn as the characters it is.
class MarkedTextDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QVariant marks = index.data(SearchResultList::kMarksRole);
    if (!marks.isValid()) {
      QStyledItemDelegate::paint(painter, option, index);
      return;
    }
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    const QString text = item.text;
    item.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);  // background, selection, focus

    QList<QTextLayout::FormatRange> formats;
    for (const QVariant& mark : marks.toList()) {
      const QPoint range = mark.toPoint();
      QTextLayout::FormatRange format;
      format.start = range.x();
      format.length = range.y();
      format.format.setFontWeight(QFont::Bold);
      format.format.setBackground(kMarkBackground);
      format.format.setForeground(QColor(Qt::black));
      formats.append(format);
    }
    QTextLayout layout(text, item.font);
    layout.setFormats(formats);
    QTextOption textOption;
    textOption.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(textOption);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid()) line.setLineWidth(1e6);
    layout.endLayout();

    const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget).adjusted(2, 0, -2, 0);
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    painter->save();
    painter->setClipRect(area);
    painter->setPen(item.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    const qreal top = area.top() + (area.height() - (line.isValid() ? line.height() : 0)) / 2;
    layout.draw(painter, QPointF(area.left(), top));
    painter->restore();
  }
};

}  // namespace

SearchResultList::SearchResultList(QWidget* parent) : QTreeWidget(parent) {
  setColumnCount(3);
  setHeaderLabels({QStringLiteral("会话"), QStringLiteral("时间"), QStringLiteral("内容")});
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setTextElideMode(Qt::ElideRight);
  header()->setStretchLastSection(true);
  header()->setSectionsMovable(false);
  setColumnWidth(kConversation, 76);
  setColumnWidth(kTime, 112);
  setItemDelegateForColumn(kText, new MarkedTextDelegate(this));
  connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { activate(item); });
}

QString SearchResultList::rowText(const std::string& text, const std::vector<searchtext::Mark>& marks,
                                  QList<QVariant>* utf16Marks) {
  QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  // One character for one, so the marks keep their places.
  for (QChar& c : shown)
    if (c.unicode() < 0x20 || c.unicode() == 0x7f) c = QLatin1Char(' ');
  QList<QPoint> ranges;
  for (const searchtext::Mark& mark : marks) {
    if (mark.offset > text.size() || mark.length > text.size() - mark.offset) continue;
    const auto start = QString::fromUtf8(text.data(), static_cast<qsizetype>(mark.offset)).size();
    const auto length = QString::fromUtf8(text.data() + mark.offset, static_cast<qsizetype>(mark.length)).size();
    ranges.append(QPoint(static_cast<int>(start), static_cast<int>(length)));
  }
  // A match far into a long message would sit beyond the column's edge:
  // start a little before it, but keep the row filled to its end.
  qsizetype cut = 0;
  if (!ranges.isEmpty() && ranges.first().x() > kCutFrom) {
    cut = std::min<qsizetype>(ranges.first().x() - kLeadBeforeMatch, shown.size() - kTailKept);
    if (cut > 1) {
      if (shown.at(cut).isLowSurrogate()) --cut;
      shown = QStringLiteral("…") + shown.mid(cut);
      cut -= 1;  // the "…" takes one place
    } else {
      cut = 0;
    }
  }
  utf16Marks->clear();
  for (const QPoint& range : ranges) utf16Marks->append(QPoint(static_cast<int>(range.x() - cut), range.y()));
  return shown;
}

void SearchResultList::setRows(const std::vector<HistorySearchRow>& rows, bool hasMore) {
  if (rows.size() < static_cast<std::size_t>(shownRows_)) {
    clear();  // a new search: its rows replace the old ones
    more_ = nullptr;
    shownRows_ = 0;
  }
  delete more_;
  more_ = nullptr;
  for (std::size_t i = static_cast<std::size_t>(shownRows_); i < rows.size(); ++i) {
    const HistorySearchRow& row = rows[i];
    QList<QVariant> marks;
    const QString text = rowText(row.hit.text, row.hit.marks, &marks);
    const QString name =
        QString::fromUtf8(row.conversationName.data(), static_cast<qsizetype>(row.conversationName.size()));
    const QString time = QString::fromUtf8(row.hit.rtime.data(), static_cast<qsizetype>(row.hit.rtime.size()));
    auto* item = new QTreeWidgetItem(this, QStringList{name, time, text});
    item->setData(0, kRowRole, static_cast<int>(i));
    item->setData(kText, kMarksRole, marks);
    const QString whole = QString::fromUtf8(row.hit.text.data(), static_cast<qsizetype>(row.hit.text.size()));
    item->setToolTip(kText, whole);
    item->setData(kText, Qt::AccessibleTextRole, whole);
    item->setToolTip(kConversation, name);
  }
  shownRows_ = static_cast<int>(rows.size());
  if (hasMore) {
    more_ = new QTreeWidgetItem(this, QStringList{QStringLiteral("更多结果…")});
    more_->setData(0, kRowRole, -1);
    more_->setFirstColumnSpanned(true);
    more_->setForeground(0, palette().color(QPalette::Link));
  }
}

void SearchResultList::activate(QTreeWidgetItem* item) {
  if (item == nullptr) return;
  const int row = item->data(0, kRowRole).toInt();
  if (item == more_)
    emit moreWanted();
  else if (row >= 0)
    emit chosen(row);
}

void SearchResultList::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    activate(currentItem());
    event->accept();
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

}  // namespace kiv
