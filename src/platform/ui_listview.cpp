// The list view of the TEXT test: rows of text of one height, scrolled a row
// at a time. Adding a row at the end costs the same however long the list is:
// the item views of the toolkit lay every row out again after each insertion,
// so their cost grows with the list, which would make a longer test measure a
// slower machine.
#include "platform/ui_internal.h"

#include <QAbstractScrollArea>
#include <QListWidget>
#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionViewItem>

#include <algorithm>
#include <vector>

namespace kv {
namespace {

class ItemList : public QAbstractScrollArea {
public:
    explicit ItemList(QWidget* parent) : QAbstractScrollArea(parent)
    {
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        viewport()->setAutoFillBackground(false);
        viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    }

    void Insert(int row, const QString& text)
    {
        row = std::clamp(row, 0, Count());
        items_.insert(items_.begin() + row, text);
        UpdateRange();
        // Repainted whole, as the toolkit's item views repaint after any
        // change of their rows, so a unit costs what it costs a Qt program.
        viewport()->update();
    }

    void EnsureVisible(int row)
    {
        if (row < 0 || row >= Count()) return;
        QScrollBar* bar = verticalScrollBar();
        const int first = bar->value();
        if (row < first)
            bar->setValue(row);
        else if (row >= first + std::max(1, VisibleRows()))
            bar->setValue(row - std::max(1, VisibleRows()) + 1);
    }

    int Count() const { return static_cast<int>(items_.size()); }
    QString Text(int row) const { return row >= 0 && row < Count() ? items_[std::size_t(row)] : QString(); }

protected:
    // Each row is drawn by the style, as the toolkit's item views draw an
    // item of text.
    void paintEvent(QPaintEvent* e) override
    {
        QPainter p(viewport());
        const QRect area = e->rect();
        p.fillRect(area, palette().brush(QPalette::Base));
        QStyleOptionViewItem option;
        option.initFrom(viewport());
        option.font = font();
        option.fontMetrics = fontMetrics();
        option.features = QStyleOptionViewItem::HasDisplay;
        option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        option.textElideMode = Qt::ElideRight;
        option.showDecorationSelected = false;
        option.viewItemPosition = QStyleOptionViewItem::OnlyOne;
        option.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
        const int h = RowHeight();
        const int first = verticalScrollBar()->value();
        const int top = first + area.top() / h;
        const int bottom = std::min(Count() - 1, first + area.bottom() / h);
        for (int row = top; row <= bottom; ++row) {
            option.rect = RowRect(row);
            option.text = items_[std::size_t(row)];
            option.index = QModelIndex();
            style()->drawControl(QStyle::CE_ItemViewItem, &option, &p, this);
        }
    }

    void resizeEvent(QResizeEvent* e) override
    {
        QAbstractScrollArea::resizeEvent(e);
        UpdateRange();
    }

    // Every row shown moves, so all are repainted (an insertion has asked
    // for that already).
    void scrollContentsBy(int, int) override { viewport()->update(); }

private:
    // As tall as the toolkit's own list makes a row in the same face.
    int RowHeight() const
    {
        if (rowHeight_ == 0 || rowFont_ != font()) {
            QListWidget probe;
            probe.setFont(font());
            probe.addItem(QStringLiteral("1234567890"));
            rowHeight_ = std::max(1, probe.sizeHintForRow(0));
            rowFont_ = font();
        }
        return rowHeight_;
    }

    int VisibleRows() const { return viewport()->height() / RowHeight(); }

    QRect RowRect(int row) const
    {
        const int h = RowHeight();
        return QRect(0, (row - verticalScrollBar()->value()) * h, viewport()->width(), h);
    }

    void UpdateRange()
    {
        QScrollBar* bar = verticalScrollBar();
        const int visible = std::max(1, VisibleRows());
        bar->setPageStep(visible);
        bar->setRange(0, std::max(0, Count() - visible));
    }

    std::vector<QString> items_;
    mutable int rowHeight_ = 0;
    mutable QFont rowFont_;
};

ItemList* List(QWidget* w) { return static_cast<ItemList*>(w); }

} // namespace

ListView::ListView(Container& parent) : Windowed(parent) { Attach(new ItemList(parent.Host())); }

void ListView::Add(int position, const std::string& text) { List(w_)->Insert(position - 1, Q(text)); }
void ListView::EnsureVisible(int position) { List(w_)->EnsureVisible(position - 1); }
int ListView::Count() const { return List(w_)->Count(); }
std::string ListView::ItemText(int position) const { return S(List(w_)->Text(position - 1)); }

} // namespace kv
