#pragma once

#include <QTimer>
#include <QWidget>

class QPainter;

namespace qui {

// The small animated pictures of the wait and search windows, drawn frame by frame so that
// they look the same on every system and need no image files.
class Animation : public QWidget {
    Q_OBJECT
public:
    enum class Kind { CopyFiles, RecycleFile, FileSearch };

    explicit Animation(QWidget* parent = nullptr);

    Kind kind() const { return m_kind; }
    void setKind(Kind kind);

    // Runs from the current frame to the last and starts again, until stopped.
    void play();
    void stop();
    bool isPlaying() const { return m_timer.isActive(); }

    int frameCount() const { return FrameCount; }
    int currentFrame() const { return m_frame; }
    // Wrapped into [0, frameCount()).
    void setCurrentFrame(int frame);

    static constexpr int FrameCount = 20;
    static constexpr int FrameInterval = 60; // ms

    QSize sizeHint() const override { return { 272, 60 }; }
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void frameChanged(int frame);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintCopyFiles(QPainter& p, double t) const;
    void paintRecycleFile(QPainter& p, double t) const;
    void paintFileSearch(QPainter& p, double t) const;

    Kind m_kind = Kind::CopyFiles;
    int m_frame = 0;
    QTimer m_timer;
};

} // namespace qui
