#pragma once

#include "review/tilelayout.h"
#include "signature/imageloader.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QWidget>

#include <cstdint>
#include <optional>

class QMenu;
class QAction;

namespace vexa {

class ThumbPicture;

// One thumbnail tile of the duplicate viewer: the picture and two labels
// under it, and a popup menu with View, Rename and Delete. Geometry is kept
// in twips; the widget converts with the screen's twips per pixel.
// Interface thread only.
class uctrlPreview : public QWidget {
    Q_OBJECT
public:
    explicit uctrlPreview(QWidget *parent = nullptr);
    ~uctrlPreview() override;

    int Index() const { return m_index; }
    void setIndex(int index) { m_index = index; }
    std::int32_t ID() const { return m_id; }
    bool IsActive() const { return m_isActive; }
    QString FilePath() const { return m_filePath; }
    QString FileName() const { return m_fileName; }
    std::int64_t FileSize() const { return m_fileSize; }
    int DimX() const { return m_dimX; }
    int DimY() const { return m_dimY; }
    bool Exists() const { return m_exists; }
    // FilePath + "/" + FileName.
    QString FullPath() const;

    void Activate(bool active);
    // The file is gone: the tile's record is deleted (none for ID -1) and
    // the tile shows DELETED, without picture or menu. false when the record
    // could not be deleted (the tile is marked all the same: its file is gone).
    bool Delete();
    // Asks for a new name (frmQuestion) and renames the file and its record.
    // A failure leaves file, record and tile as they were and says why.
    // true when renamed.
    bool Rename();
    // Fills the tile from a decoded picture (thumbnail or full).
    void SetImageInformation(int index, const LoadedImage &image, const QString &path,
        const QString &fileName, std::int64_t size, int width, int height, std::int32_t id);
    // Tile size 5..20.
    void SetNewSize(int size);
    void CleanUp();
    // Back to the state of a new tile: no picture, no file, empty labels.
    void Reset();

    // Geometry in twips, for the viewer's flow layout and for tests.
    QSize sizeTwips() const { return m_sizeTwips; }
    int labelHeightTwips() const { return m_labelHeight; }
    int labelPoints() const { return m_labelPoints; }
    QRect pictureBoxTwips() const;
    QRect fileNameRectTwips() const;
    QRect fileInfoRectTwips() const;
    // Where the picture is drawn inside the picture box, in twips; empty
    // without a picture.
    QRect drawnRectTwips() const;
    // The thumbnail box in pixels: what the decode is reduced to.
    QSize pictureBoxPixels() const;
    QPoint posTwips() const { return m_posTwips; }
    void moveTwips(const QPoint &pos);

    QString fileNameText() const;
    QString fileInfoText() const;
    QString toolTipText() const;
    bool hasPicture() const { return !m_picture.isNull(); }
    QMenu *popupMenu() const { return m_menu; }
    // "Not a duplicate" in the menu: only on a duplicate's tile of a group
    // whose source is a record (a memory source has none to remember).
    void setNotDuplicateOffered(bool offered);
    bool notDuplicateOffered() const;
    // Keep-best: why the file that stays won over this one, shown across the
    // top of the picture; empty hides it.
    void setKeepReason(const QString &reason);
    QString keepReason() const;

signals:
    void Click(int index, Qt::KeyboardModifiers modifiers);
    void DeleteClicked(int index);
    void RenameClicked(int index);
    void NotDuplicateClicked(int index);
    void View(const QString &fullPath);
    void KeyDown(int keyCode, int shiftMask);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    friend class ThumbPicture;
    void layOut();
    QSize pictureProportions() const;
    void pictureClicked(
        Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint &globalPos);
    void pictureDoubleClicked();
    void setLabel(QLabel *label, const QString &text);
    void setPathToolTip(const QString &text);
    void updateToolTips();
    int toPixelsX(int twips) const;
    int toPixelsY(int twips) const;

    ThumbPicture *m_imgThumb = nullptr;
    QLabel *m_lblFileName = nullptr;
    QLabel *m_lblFileInfo = nullptr;
    QMenu *m_menu = nullptr;
    QAction *m_notDuplicate = nullptr;
    QLabel *m_lblKeepReason = nullptr;

    int m_index = 0;
    std::int32_t m_id = 0;
    QString m_filePath;
    QString m_fileName;
    std::int64_t m_fileSize = 0;
    int m_dimX = 0;
    int m_dimY = 0;
    bool m_exists = false;
    bool m_isActive = false;

    QImage m_picture;  // the decoded thumbnail, at most the box size
    QString m_pathToolTip;  // directory and name of the file
    std::optional<TileInfo> m_info;  // what lblFileInfo shows, while the file exists
    QSize m_sizeTwips;
    int m_labelHeight = 260;
    int m_labelPoints = 6;
    QPoint m_posTwips;
};

}  // namespace vexa
