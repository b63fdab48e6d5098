#include "DrawingTestSupport.h"
#include "vector/SVGDocumentView.h"
#include "vector/SVGGroup.h"
#include "vector/SVGSettings.h"
#include "vector/SVGShapes.h"
#include "vector/SVGUserSpaceNode.h"
#include "vector/XMLElement.h"

#include <QApplication>
#include <QBuffer>
#include <QEvent>
#include <QFile>
#include <QMouseEvent>
#include <QObject>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace marlox::vector;
using namespace marlox::vector::testing;

namespace {

using Nodes = QList<std::shared_ptr<SVGNode>>;

class PaintCounter : public QObject {
public:
    explicit PaintCounter(QObject* watched) { watched->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// A 24-unit document holding a red circle with the id "dot" at its centre.
struct Document {
    std::shared_ptr<SVGCircle> dot = std::make_shared<SVGCircle>(12, 12, 6);
    std::shared_ptr<SVGGroup> layer = std::make_shared<SVGGroup>(Nodes{dot});
    std::shared_ptr<SVGViewport> root =
        std::make_shared<SVGViewport>(SVGLength::pixels(24), SVGLength::pixels(24),
                                      QRectF(0, 0, 24, 24), SVGPreserveAspectRatio(), Nodes{layer});

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

QImage grabbed(SVGDocumentView& view) {
    return view.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

// The colour the window shows where the document draws nothing.
QRgb background(SVGDocumentView& view) {
    return view.palette().color(QPalette::Window).rgba();
}

bool isUniform(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != image.pixel(0, 0))
                return false;
    return true;
}

} // namespace

TEST(DocumentViewTest, DrawsItsTreeScaledIntoTheSpaceItIsGiven) {
    Document document;
    const auto view = shownView(document.root);
    const QImage image = grabbed(*view);
    EXPECT_TRUE(pixelIs(image, 48, 48, red));
    EXPECT_TRUE(pixelIs(image, 48, 26, red));
    EXPECT_TRUE(pixelIs(image, 48, 20, background(*view)));
}

TEST(DocumentViewTest, RepaintsWhenAnyNodeOfItsTreeChanges) {
    // GIVEN a shown view of the document
    Document document;
    const auto view = shownView(document.root);
    PaintCounter counter(view.get());
    // WHEN the circle deep in the tree turns blue
    document.dot->setFill(paint(0x0000FF));
    // THEN the view paints again and shows it
    QTRY_VERIFY(counter.paints > 0);
    EXPECT_TRUE(pixelIs(grabbed(*view), 48, 48, blue));

    // AND a node added later is followed as well
    const auto added = std::make_shared<SVGRect>(0, 0, 4, 4);
    document.layer->setContents(Nodes{document.dot, added});
    const int paintsBefore = counter.paints;
    QTRY_VERIFY(counter.paints > paintsBefore);
    const int paintsAfterAdding = counter.paints;
    added->setFill(paint(0x00FF00));
    QTRY_VERIFY(counter.paints > paintsAfterAdding);
    EXPECT_TRUE(pixelIs(grabbed(*view), 8, 8, green));
}

TEST(DocumentViewTest, TapInsideAShapeRunsEachOfItsGesturesOnceAndOutsideNone) {
    Document document;
    int first = 0;
    int second = 0;
    document.dot->onTapGesture(1, [&first] { ++first; });
    document.dot->onTapGesture(1, [&second] { ++second; });
    const auto view = shownView(document.root);
    // WHEN the view is tapped inside the circle
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(50, 46));
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
    // AND outside it, and with another button
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(5, 90));
    QTest::mouseClick(view.get(), Qt::RightButton, {}, QPoint(50, 46));
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
}

TEST(DocumentViewTest, DragIsNoTap) {
    Document document;
    int taps = 0;
    document.dot->onTapGesture(1, [&taps] { ++taps; });
    const auto view = shownView(document.root);
    QTest::mousePress(view.get(), Qt::LeftButton, {}, QPoint(48, 48));
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, QPoint(90, 90));
    EXPECT_EQ(taps, 0);
}

TEST(DocumentViewTest, FindsNodesOfItsTreeById) {
    Document document;
    const SVGDocumentView view(document.root);
    EXPECT_EQ(view.getNode(QStringLiteral("dot")), document.dot);
    EXPECT_EQ(view.getNode(QStringLiteral("none")), nullptr);
    EXPECT_EQ(view.sizeHint(), QSize(24, 24));
}

TEST(DocumentViewTest, WithoutATreeShowsNothingAndIgnoresTaps) {
    const auto view = shownView(nullptr);
    EXPECT_EQ(view->getNode(QStringLiteral("dot")), nullptr);
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(48, 48));
    const QImage image = grabbed(*view);
    EXPECT_TRUE(isUniform(image));
    EXPECT_TRUE(pixelIs(image, 48, 48, background(*view)));
}

TEST(DocumentViewTest, ParsesItsMarkupOnceIntoATreeOfItsOwn) {
    // GIVEN the same markup given as text, bytes, a stream and a file
    const QByteArray markup = R"(<svg xmlns="http://www.w3.org/2000/svg" width="24" height="24"
        viewBox="0 0 24 24"><g id="layer"><circle id="dot" cx="12" cy="12" r="6" fill="red"/>
        </g></svg>)";
    QBuffer stream;
    stream.setData(markup);
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("icon.svg")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(markup);
    file.close();
    const std::unique_ptr<XMLElement> element = DOMParser::parseData(markup, *SVGLogger::console());
    ASSERT_TRUE(element);

    std::vector<std::unique_ptr<SVGDocumentView>> views;
    views.push_back(std::make_unique<SVGDocumentView>(QString::fromUtf8(markup)));
    views.push_back(std::make_unique<SVGDocumentView>(markup));
    views.push_back(std::make_unique<SVGDocumentView>(&stream));
    views.push_back(std::make_unique<SVGDocumentView>(QUrl::fromLocalFile(file.fileName())));
    views.push_back(std::make_unique<SVGDocumentView>(*element));
    for (const auto& view : views) {
        // THEN each finds the nodes of its tree and draws them
        const auto dot = std::dynamic_pointer_cast<SVGCircle>(view->getNode(QStringLiteral("dot")));
        ASSERT_TRUE(dot);
        EXPECT_EQ(dot->r(), 6);
        EXPECT_TRUE(view->getNode(QStringLiteral("layer")));
        EXPECT_EQ(view->sizeHint(), QSize(24, 24));
        EXPECT_TRUE(pixelIs(renderDocument(view->svg().get(), 24), 12, 12, red));
    }
    // AND two views of the same markup hold distinct trees
    EXPECT_NE(views[0]->getNode(QStringLiteral("dot")), views[1]->getNode(QStringLiteral("dot")));
}

TEST(DocumentViewTest, EmptyOrBrokenMarkupShowsNothing) {
    const QStringList documents = {
        QString(), QStringLiteral("not markup"), QStringLiteral("<svg><rect width='5' height"),
        QStringLiteral("<html><rect width='5' height='5'/></html>"),
        QStringLiteral("<svg:svg xmlns:svg='http://www.w3.org/2000/svg'/>")};
    for (const QString& markup : documents) {
        SVGDocumentView parsed(markup);
        parsed.resize(24, 24);
        parsed.show();
        QTest::mouseClick(&parsed, Qt::LeftButton, {}, QPoint(2, 2));
        EXPECT_EQ(parsed.getNode(QStringLiteral("any")), nullptr) << qPrintable(markup);
        EXPECT_TRUE(isBlank(renderDocument(parsed.svg().get(), 24))) << qPrintable(markup);
    }
}

TEST(DocumentViewTest, DrawsWhatWasReadBeforeAnError) {
    const SVGDocumentView view(QStringLiteral(
        "<svg viewBox='0 0 10 10'><rect width='10' height='5' fill='blue'/><rect y='5' &"));
    const QImage image = renderDocument(view.svg().get(), 10);
    EXPECT_TRUE(pixelIs(image, 5, 2, blue));
    EXPECT_TRUE(pixelIsClear(image, 5, 7));
}

TEST(DocumentViewTest, LayersLandInPlaceInAViewInsideAWindow) {
    // GIVEN a view placed at (30, 20) inside a window, drawing a half-transparent group and a
    // clipped square, both of which go through offscreen layers
    const auto half = std::make_shared<SVGGroup>(Nodes{std::make_shared<SVGRect>(0, 0, 12, 24)});
    std::static_pointer_cast<SVGRect>(half->contents().constFirst())->setFill(paint(0xFF0000));
    half->setOpacity(0.5);
    const auto clipped = std::make_shared<SVGRect>(12, 0, 12, 24);
    clipped->setFill(paint(0x0000FF));
    clipped->setClip(std::make_shared<SVGUserSpaceNode>(
        std::make_shared<SVGRect>(12, 0, 12, 12), SVGUserSpaceNode::UserSpace::userSpaceOnUse));
    const auto root = std::make_shared<SVGViewport>(SVGLength::pixels(24), SVGLength::pixels(24),
                                                    QRectF(0, 0, 24, 24), SVGPreserveAspectRatio(),
                                                    Nodes{half, clipped});
    QWidget window;
    window.resize(200, 200);
    auto* view = new SVGDocumentView(root, &window);
    view->setGeometry(30, 20, 96, 96);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QImage image = window.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QColor backdrop = window.palette().color(QPalette::Window);
    const QRgb halfRed =
        qRgb((255 + backdrop.red()) / 2, backdrop.green() / 2, backdrop.blue() / 2);
    // THEN each shows where the view is, not at the window's corner
    EXPECT_TRUE(pixelIs(image, 30 + 24, 20 + 48, halfRed, 3));
    EXPECT_TRUE(pixelIs(image, 30 + 72, 20 + 24, blue));
    EXPECT_TRUE(pixelIs(image, 30 + 72, 20 + 72, backdrop.rgba()));
    EXPECT_TRUE(pixelIs(image, 10, 10, backdrop.rgba()));
}

TEST(DocumentViewTest, DoubleTapGestureWaitsForTheSecondTap) {
    Document document;
    int doubles = 0;
    document.dot->onTapGesture(2, [&doubles] { ++doubles; });
    const auto view = shownView(document.root);
    const QPointF point(48, 48);
    // A double click arrives as a press and a release, then a double click in place of the
    // second press, and its release.
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, point.toPoint());
    EXPECT_EQ(doubles, 0);
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, point, view->mapToGlobal(point),
                            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.get(), &doubleClick);
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, point.toPoint());
    EXPECT_EQ(doubles, 1);
}
