#pragma once

#include "support/ImageTesting.h"
#include "support/ScratchHome.h"

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

// The widget test harness: widgets built offscreen, shown, grabbed and probed; hover and clicks
// sent as the window system would. Tests derive their fixture from WidgetTest.
namespace marlox::testing {

// Once per process: registers the bundle's fonts, makes the application font every widget's
// default and gives the application the window's dark appearance, as the application itself
// does, so that pictures depend on nothing of the machine.
void prepareWidgetTests();

// A scratch home and a prepared application for each test.
class WidgetTest : public ScratchHomeTest {
protected:
    void SetUp() override { prepareWidgetTests(); }
};

// Runs the event loop until nothing is left to do now: layouts settled, updates painted.
void settle();
// Runs the event loop until the condition holds; false when it does not in time.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Shows the widget offscreen at the size (its size hint when none is given), lets it settle and
// grabs what it paints. Device pixel ratio 1: one point is one pixel.
QImage grab(QWidget& widget, const QSize& size = {});
// What the widget paints now, as it stands; what it leaves unpainted is transparent.
QImage picture(QWidget& widget);
// Shows the widget as grab() does at the size, then taller by as much as its scroll areas scroll
// down, so that a picture holds the whole of what they show.
void showWhole(QWidget& widget, const QSize& size);
// The widget shown whole (showWhole) and grabbed.
QImage grabWhole(QWidget& widget, const QSize& size);

// The widget's rectangle in the coordinates of an ancestor (or of itself).
QRect geometryIn(const QWidget& root, const QWidget& widget);

// A plain backdrop of one colour holding a widget in its centre, for pictures of widgets that
// paint no background of their own. It takes ownership of the child.
class Backdrop : public QWidget {
public:
    Backdrop(QWidget* child, const QColor& color, int margin = 0);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color;
};

// The pointer entering and leaving the widget, as enter and hover events.
void hoverEnter(QWidget& widget);
void hoverLeave(QWidget& widget);

// The visible descendant of `root` (or root itself) with that objectName; fails the test, giving
// none, when there is none.
QWidget* widgetNamed(QWidget& root, const QString& objectName);
// The visible descendant with that objectName as a Widget; fails the test as widgetNamed does.
template <typename Widget = QWidget> Widget* childNamed(QWidget& root, const QString& objectName) {
    return qobject_cast<Widget*>(widgetNamed(root, objectName));
}
// The text of the visible QLabel with that objectName, "<missing>" when none shows.
QString labelText(const QWidget& root, const QString& objectName);
// Whether a descendant with that objectName shows within root.
bool isShown(const QWidget& root, const QString& objectName);
// A left click in the middle of the named widget; fails when it is missing, hidden or disabled.
::testing::AssertionResult clickNamed(QWidget& root, const QString& objectName);

// Saves the widget's picture (saveTestImage) when the test has failed by the end of the scope.
class SaveGrabOnFailure {
public:
    SaveGrabOnFailure(QWidget& widget, QString label);
    ~SaveGrabOnFailure();

    SaveGrabOnFailure(const SaveGrabOnFailure&) = delete;
    SaveGrabOnFailure& operator=(const SaveGrabOnFailure&) = delete;

private:
    QWidget& m_widget;
    QString m_label;
};

} // namespace marlox::testing
