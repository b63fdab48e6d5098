#include "vector/SVGDocumentView.h"

#include "NodeTestSupport.h"
#include "VectorTestSupport.h"
#include "vector/SVGGroup.h"
#include "vector/SVGSettings.h"
#include "vector/SVGShapes.h"
#include "vector/SVGUserSpaceNode.h"

#include <QApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QObject>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace marlox::vector;
using namespace marlox::vector::testing;

namespace {

class PaintCounter : public QObject {
public:
    explicit PaintCounter(QObject* watched) { watched->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// A 24-unit document holding a red circle with the id "dot" at its centre.
struct Document {
    std::shared_ptr<SVGCircle> dot = std::make_shared<SVGCircle>(12, 12, 6);
    std::shared_ptr<SVGGroup> layer = std::make_shared<SVGGroup>(Nodes{dot});
    std::shared_ptr<SVGViewport> root = viewport(24, 24, QRectF(0, 0, 24, 24), {layer});

    Document() {
        dot->setFill(paint(0xFF0000));
        dot->setId(QStringLiteral("dot"));
    }
};

// The view shown at 96 by 96, so that the document is drawn four times its size.
std::unique_ptr<SVGDocumentView> shownView(std::shared_ptr<SVGNode> svg) {
    auto view = std::make_unique<SVGDocumentView>(std::move(svg));
    view->resize(96, 96);
    view->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    return view;
}

QImage grabbed(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

// The colour the window shows where the document draws nothing.
QRgb background(QWidget& widget) {
    return widget.palette().color(QPalette::Window).rgba();
}

TEST(DocumentViewTest, DrawsItsTreeScaledAndRepaintsWhenAnyNodeOfItChanges) {
    // GIVEN a shown view of the document
    Document document;
    const auto view = shownView(document.root);
    EXPECT_EQ(view->sizeHint(), QSize(24, 24));
    expectProbes(grabbed(*view), {{48, 48, red}, {48, 26, red}, {48, 20, background(*view)}});
    PaintCounter counter(view.get());
    // WHEN the circle deep in the tree turns blue
    document.dot->setFill(paint(0x0000FF));
    // THEN the view paints again and shows it
    ASSERT_TRUE(QTest::qWaitFor([&counter] { return counter.paints > 0; }));
    EXPECT_TRUE(pixelIs(grabbed(*view), 48, 48, blue));
}

TEST(DocumentViewTest, ClickInsideAShapeRunsEachGestureThatRecognisesItOnceAndNothingElseDoes) {
    // GIVEN a shape with two single taps and a double tap, in this order
    Document document;
    QStringList runs;
    document.dot->onTapGesture(1, [&runs] { runs.append("first"); });
    document.dot->onTapGesture(2, [&runs] { runs.append("double"); });
    document.dot->onTapGesture(1, [&runs] { runs.append("second"); });
    const auto view = shownView(document.root);
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(50, 46));
    EXPECT_EQ(runs, QStringList({"first", "second"}));
    // Outside it, with another button, or as a drag.
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(5, 90));
    QTest::mouseClick(view.get(), Qt::RightButton, {}, QPoint(50, 46));
    QTest::mousePress(view.get(), Qt::LeftButton, {}, QPoint(48, 48));
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, QPoint(90, 90));
    EXPECT_EQ(runs.size(), 2);
    // A double click arrives as a press and a release, then a double click in place of the
    // second press, and its release.
    runs.clear();
    const QPointF point(48, 48);
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, point.toPoint());
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, point, view->mapToGlobal(point),
                            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.get(), &doubleClick);
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, point.toPoint());
    EXPECT_EQ(runs.count("double"), 1);
    // AND once its gestures are removed a click runs none
    document.dot->removeAllGestures();
    runs.clear();
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(50, 46));
    EXPECT_TRUE(runs.isEmpty());
}

TEST(DocumentViewTest, ParsesItsMarkupOnceIntoATreeOfItsOwn) {
    // GIVEN the same markup given as text and as bytes
    const QByteArray markup = R"(<svg viewBox="0 0 24 24"><circle id="dot" r="6"/></svg>)";
    const SVGDocumentView fromText(QString::fromUtf8(markup));
    const SVGDocumentView fromBytes(markup);
    // THEN each holds a tree of its own
    const auto dot = std::dynamic_pointer_cast<SVGCircle>(fromText.getNode(QStringLiteral("dot")));
    ASSERT_TRUE(dot && fromBytes.getNode(QStringLiteral("dot")));
    EXPECT_NE(dot, fromBytes.getNode(QStringLiteral("dot")));
}

TEST(DocumentViewTest, WithoutATreeShowsNothingAndIgnoresTaps) {
    const auto view = shownView(nullptr);
    EXPECT_EQ(view->getNode(QStringLiteral("dot")), nullptr);
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(48, 48));
    const QImage image = grabbed(*view);
    QImage uniform(image.size(), image.format());
    uniform.fill(background(*view));
    EXPECT_EQ(image, uniform);
}

TEST(DocumentViewTest, LayersLandInPlaceInAViewInsideAWindow) {
    // GIVEN a view placed at (30, 20) inside a window, drawing a half-transparent group and a
    // clipped square, both of which go through offscreen layers
    const auto left = std::make_shared<SVGRect>(0, 0, 12, 24);
    left->setFill(paint(0xFF0000));
    const auto half = std::make_shared<SVGGroup>(Nodes{left});
    half->setOpacity(0.5);
    const auto clipped = std::make_shared<SVGRect>(12, 0, 12, 24);
    clipped->setFill(paint(0x0000FF));
    clipped->setClip(std::make_shared<SVGUserSpaceNode>(
        std::make_shared<SVGRect>(12, 0, 12, 12), SVGUserSpaceNode::UserSpace::userSpaceOnUse));
    QWidget window;
    window.resize(200, 200);
    (new SVGDocumentView(viewport(24, 24, QRectF(0, 0, 24, 24), {half, clipped}), &window))
        ->setGeometry(30, 20, 96, 96);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QColor backdrop = window.palette().color(QPalette::Window);
    const QRgb halfRed =
        qRgb((255 + backdrop.red()) / 2, backdrop.green() / 2, backdrop.blue() / 2);
    // THEN each shows where the view is, not at the window's corner
    expectProbes(grabbed(window), {{30 + 24, 20 + 48, halfRed},
                                   {30 + 72, 20 + 24, blue},
                                   {30 + 72, 20 + 72, backdrop.rgba()},
                                   {10, 10, backdrop.rgba()}});
}

} // namespace
