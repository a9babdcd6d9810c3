#include "Animation.h"

#include <QImage>
#include <QSignalSpy>
#include <QtTest>

using Kind = qui::Animation::Kind;

namespace {
QImage frameImage(qui::Animation& animation, int frame)
{
    animation.setCurrentFrame(frame);
    QImage image(animation.sizeHint(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    animation.render(&image, {}, {}, QWidget::DrawChildren);
    return image;
}
}

class TestAnimation : public QObject {
    Q_OBJECT
private slots:
    void framesWrapAround_data();
    void framesWrapAround();
    void playsUntilStopped();
    void everyKindMoves_data();
    void everyKindMoves();
};

void TestAnimation::framesWrapAround_data()
{
    QTest::addColumn<int>("set");
    QTest::addColumn<int>("expected");
    const int n = qui::Animation::FrameCount;
    QTest::newRow("inside") << 3 << 3;
    QTest::newRow("one past the last") << n << 0;
    QTest::newRow("negative") << -1 << n - 1;
}

void TestAnimation::framesWrapAround()
{
    QFETCH(int, set);
    QFETCH(int, expected);
    qui::Animation animation;
    animation.setCurrentFrame(set);
    QCOMPARE(animation.currentFrame(), expected);
}

void TestAnimation::playsUntilStopped()
{
    qui::Animation animation;
    QCOMPARE(animation.sizeHint(), QSize(272, 60));
    animation.setCurrentFrame(animation.frameCount() - 1);
    QSignalSpy frames(&animation, &qui::Animation::frameChanged);
    animation.play();
    QVERIFY(animation.isPlaying());
    // From the last frame it starts over.
    QVERIFY(frames.wait(1000));
    QCOMPARE(frames.first().first().toInt(), 0);
    animation.stop();
    QVERIFY(!animation.isPlaying());
    const int stoppedAt = animation.currentFrame();
    QTest::qWait(3 * qui::Animation::FrameInterval);
    QCOMPARE(animation.currentFrame(), stoppedAt);
}

void TestAnimation::everyKindMoves_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::newRow("copy files") << Kind::CopyFiles;
    QTest::newRow("recycle file") << Kind::RecycleFile;
    QTest::newRow("file search") << Kind::FileSearch;
}

void TestAnimation::everyKindMoves()
{
    QFETCH(Kind, kind);
    qui::Animation animation;
    animation.resize(animation.sizeHint());
    animation.setKind(kind);
    const QImage first = frameImage(animation, 0);
    const QImage middle = frameImage(animation, animation.frameCount() / 2);
    QVERIFY(first != middle);
    QVERIFY(first != QImage(first.size(), first.format()));
}

QTEST_MAIN(TestAnimation)
#include "tst_animation.moc"
