// The program's style sheet as drawn: an open drop-down list must show its
// highlighted item readable on its highlight.
#include "ui/common/look.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The lightness range of the pixels inside an item's rectangle (its frame
// left out).
std::pair<int, int> lightnessRange(const QImage& image, QRect rect)
{
    rect = rect.adjusted(2, 2, -2, -2) & image.rect();
    int lo = 255;
    int hi = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const int l = image.pixelColor(x, y).lightness();
            lo = std::min(lo, l);
            hi = std::max(hi, l);
        }
    }
    return {lo, hi};
}

} // namespace

TEST(Look, OpenDropDownListShowsTheHighlightedItem)
{
    for (bool editable : {false, true}) {
        SCOPED_TRACE(editable ? "editable" : "fixed");
        QWidget window;
        window.setStyleSheet(look::FlatStyleSheet());
        auto* combo = new QComboBox(&window);
        combo->setEditable(editable);
        combo->addItems({QStringLiteral("MP3 file(*.MP3)"), QStringLiteral("WAV file(*.WAV)"),
                         QStringLiteral("OGG file(*.OGG)")});
        combo->setCurrentIndex(1);
        (new QVBoxLayout(&window))->addWidget(combo);
        window.show();
        combo->showPopup();
        QApplication::processEvents();

        QAbstractItemView* view = combo->view();
        ASSERT_TRUE(view->isVisible());
        const QModelIndex current = view->currentIndex();
        ASSERT_EQ(current.row(), 1);
        const QImage popup = view->viewport()->grab().toImage();
        const QRect item = view->visualRect(current);
        const auto [dark, light] = lightnessRange(popup, item);
        // Text over a background: a wide spread. White on white (or any
        // colour on itself) is one flat colour.
        EXPECT_GT(light - dark, 120) << "lightness " << dark << " to " << light;
        // The highlight is a colour of its own, not the face of the rows.
        const int x = popup.width() - 4;
        const QColor highlight = popup.pixelColor(x, item.center().y());
        const QColor plain =
            popup.pixelColor(x, view->visualRect(view->model()->index(0, 0)).center().y());
        EXPECT_NE(highlight, plain);
        combo->hidePopup();
    }
}
