#include "vector/PathReader.h"
#include "vector/SVGGroup.h"
#include "vector/SVGImage.h"
#include "vector/SVGPath.h"
#include "vector/SVGShapes.h"
#include "vector/SVGText.h"
#include "vector/SVGTreeWatcher.h"
#include "vector/SVGUserSpaceNode.h"

#include <QMetaMethod>
#include <QMetaProperty>
#include <QObject>

#include <gtest/gtest.h>

#include <memory>

using namespace marlox::vector;

namespace {

using Nodes = QList<std::shared_ptr<SVGNode>>;

// Counts the emissions of one signal of one object, found by its meta method.
class EmissionCounter : public QObject {
    Q_OBJECT

public:
    EmissionCounter(QObject* sender, const QMetaMethod& signal) {
        const QMetaMethod slot = metaObject()->method(metaObject()->indexOfSlot("hit()"));
        QObject::connect(sender, signal, this, slot);
    }
    int count = 0;

public slots:
    void hit() { ++count; }
};

QMetaMethod changedSignal() {
    return QMetaMethod::fromSignal(&SVGNode::changed);
}

std::shared_ptr<SVGViewport> viewport(Nodes contents) {
    return std::make_shared<SVGViewport>(SVGLength::pixels(24), SVGLength::pixels(24),
                                         QRectF(0, 0, 24, 24), SVGPreserveAspectRatio(),
                                         std::move(contents));
}

} // namespace

TEST(NodeSignalsTest, EveryPublishedFieldAnnouncesEachWriteThroughItsSignalAndChanged) {
    const auto circle = std::make_shared<SVGCircle>(0, 0, 1);
    const Nodes nodes = {
        viewport({}),
        std::make_shared<SVGGroup>(Nodes{}),
        std::make_shared<SVGRect>(0, 0, 1, 1),
        std::make_shared<SVGText>(QStringLiteral("t")),
        std::make_shared<SVGDataImage>(0, 0, 1, 1, QByteArray("x")),
        std::make_shared<SVGURLImage>(0, 0, 1, 1, QStringLiteral("a.png"), std::nullopt),
        std::make_shared<SVGEllipse>(0, 0, 1, 1),
        std::make_shared<SVGLine>(0, 0, 1, 1),
        std::make_shared<SVGPolyline>(QList<QPointF>{{1, 2}}),
        std::make_shared<SVGPath>(PathReader::readAll(QStringLiteral("M0 0")), Qt::OddEvenFill),
        circle,
        std::make_shared<SVGPolygon>(QList<QPointF>{{1, 2}}),
        std::make_shared<SVGUserSpaceNode>(circle, SVGUserSpaceNode::UserSpace::userSpaceOnUse),
    };
    const int firstOwnProperty = QObject::staticMetaObject.propertyCount();
    for (const std::shared_ptr<SVGNode>& node : nodes) {
        const QMetaObject* meta = node->metaObject();
        const char* className = meta->className();
        for (int index = firstOwnProperty; index < meta->propertyCount(); ++index) {
            const QMetaProperty property = meta->property(index);
            ASSERT_TRUE(property.hasNotifySignal()) << className << "::" << property.name();
            EmissionCounter fieldSignal(node.get(), property.notifySignal());
            EmissionCounter changed(node.get(), changedSignal());
            // Writing the value the field already holds is still a write.
            ASSERT_TRUE(property.write(node.get(), property.read(node.get())))
                << className << "::" << property.name();
            EXPECT_EQ(fieldSignal.count, 1) << className << "::" << property.name();
            // The viewport announces each change of its own fields twice.
            const bool viewportField = meta == &SVGViewport::staticMetaObject &&
                                       index >= SVGViewport::staticMetaObject.propertyOffset();
            EXPECT_EQ(changed.count, viewportField ? 2 : 1) << className << "::" << property.name();
        }
    }
}

TEST(NodeSignalsTest, WrittenValuesAreThereWhenTheSignalArrives) {
    const auto circle = std::make_shared<SVGCircle>(10, 10, 5);
    double radiusSeen = 0;
    QRectF frameSeen;
    QObject context;
    QObject::connect(circle.get(), &SVGCircle::rChanged, &context,
                     [&] { radiusSeen = circle->r(); });
    QObject::connect(circle.get(), &SVGNode::changed, &context,
                     [&] { frameSeen = circle->frame(); });
    circle->setR(8);
    EXPECT_EQ(radiusSeen, 8);
    EXPECT_EQ(frameSeen, QRectF(2, 2, 16, 16));
}

TEST(NodeSignalsTest, GesturesAndConstantFieldsAnnounceNothing) {
    const auto rect = std::make_shared<SVGRect>(0, 0, 1, 1);
    EmissionCounter changed(rect.get(), changedSignal());
    int taps = 0;
    rect->onTapGesture(2, [&taps] { ++taps; });
    ASSERT_EQ(rect->gestures().size(), 1);
    EXPECT_EQ(rect->gestures().constFirst().tapCount, 2);
    rect->gestures().constFirst().onEnded();
    EXPECT_EQ(taps, 1);
    rect->addGesture(SVGGesture{1, [] {}});
    EXPECT_EQ(rect->gestures().size(), 2);
    rect->removeAllGestures();
    EXPECT_TRUE(rect->gestures().isEmpty());
    EXPECT_EQ(changed.count, 0);

    // A URL image's address and bytes are fixed: it publishes only the placement.
    const QMetaObject& urlImage = SVGURLImage::staticMetaObject;
    EXPECT_EQ(urlImage.indexOfProperty("src"), -1);
    EXPECT_EQ(urlImage.indexOfProperty("data"), -1);
    EXPECT_EQ(SVGUserSpaceNode::staticMetaObject.propertyCount(),
              SVGNode::staticMetaObject.propertyCount());
}

TEST(TreeWatcherTest, ReportsChangesAnywhereInTheTreeOncePerAnnouncement) {
    const auto clipContent = std::make_shared<SVGRect>(0, 0, 1, 1);
    const auto shape = std::make_shared<SVGCircle>(5, 5, 2);
    shape->setClip(std::make_shared<SVGUserSpaceNode>(
        clipContent, SVGUserSpaceNode::UserSpace::objectBoundingBox));
    const auto group = std::make_shared<SVGGroup>(Nodes{shape, shape});
    const auto root = viewport({group});
    SVGTreeWatcher watcher(root);
    int reports = 0;
    QObject::connect(&watcher, &SVGTreeWatcher::treeChanged, [&reports] { ++reports; });

    shape->setR(3);
    EXPECT_EQ(reports, 1) << "a node shared twice is reported once";
    clipContent->setWidth(2);
    EXPECT_EQ(reports, 2) << "clip content";
    root->setWidth(SVGLength::pixels(48));
    EXPECT_EQ(reports, 4) << "the viewport announces twice";
    shape->setMask(std::make_shared<SVGEllipse>(0, 0, 1, 1));
    EXPECT_EQ(reports, 5);
    std::static_pointer_cast<SVGEllipse>(shape->mask())->setRx(4);
    EXPECT_EQ(reports, 6) << "a mask set after the watch began";
}

TEST(TreeWatcherTest, FollowsTheTreeAsChildrenAreReplaced) {
    const auto oldChild = std::make_shared<SVGLine>(0, 0, 1, 1);
    const auto newChild = std::make_shared<SVGLine>(0, 0, 2, 2);
    const auto nested = std::make_shared<SVGGroup>(Nodes{oldChild});
    const auto root = viewport({nested});
    SVGTreeWatcher watcher(root);
    int reports = 0;
    QObject::connect(&watcher, &SVGTreeWatcher::treeChanged, [&reports] { ++reports; });

    nested->setContents({newChild});
    EXPECT_EQ(reports, 1);
    oldChild->setX1(5);
    EXPECT_EQ(reports, 1) << "a removed child is no longer watched";
    newChild->setX1(5);
    EXPECT_EQ(reports, 2);

    // A tree that holds itself is watched without walking forever.
    nested->setContents({newChild, nested});
    EXPECT_EQ(reports, 3);
    newChild->setY1(1);
    EXPECT_EQ(reports, 4);
    nested->setContents({});
}

#include "NodeSignalsTest.moc"
