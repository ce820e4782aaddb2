#include "review/previewtile.h"

#include "base/diskpath.h"
#include "base/environment.h"
#include "base/errors.h"
#include "base/fileops.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/renamequestion.h"
#include "base/textids.h"
#include "base/texts.h"
#include "db/records.h"
#include "review/tilelayout.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace vexa {

// imgThumb: paints the tile's thumbnail with the fit rule and passes the
// mouse on to its tile.
class ThumbPicture : public QWidget {
public:
    explicit ThumbPicture(uctrlPreview *tile)
        : QWidget(tile)
        , m_tile(tile)
    {
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (m_tile->m_picture.isNull())
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(ThumbnailRect(m_tile->pictureProportions(), size()), m_tile->m_picture);
    }
    void mousePressEvent(QMouseEvent *event) override
    {
        m_tile->pictureClicked(
            event->button(), event->modifiers(), event->globalPosition().toPoint());
    }
    void mouseDoubleClickEvent(QMouseEvent *) override { m_tile->pictureDoubleClicked(); }

private:
    uctrlPreview *m_tile;
};

namespace {

// The tile localises its own menus: every menu entry whose caption is not
// empty carries the text id as its caption until then.
void LocaliseTileMenus(QMenu *menu)
{
    if (!menu->title().isEmpty())
        menu->setTitle(Text(menu->title().toInt()));
    for (QAction *action : menu->actions()) {
        if (action->text().isEmpty())
            continue;
        const QString text = Text(action->text().toInt());
        // Text 299 is the separator itself; a separator with a text is drawn
        // as a heading showing "-".
        if (text == QLatin1String("-")) {
            action->setSeparator(true);
            action->setText(QString());
        } else {
            action->setText(text);
        }
    }
}

bool ListedWithNormalAttributes(const QString &fullName)
{
    // Hidden files are not listed (dot files here); read-only ones are.
    return StatOnDisk(fullName).isFile && !SplitPath(fullName, false).startsWith(QLatin1Char('.'));
}

}  // namespace

uctrlPreview::uctrlPreview(QWidget *parent)
    : QWidget(parent)
{
    setAutoFillBackground(true);
    setFocusPolicy(Qt::NoFocus);
    // Its menu is localised here; the window's caption walk must not read
    // the texts as ids again.
    setProperty(kOwnTextsProperty, true);
    m_imgThumb = new ThumbPicture(this);
    m_lblFileName = new QLabel(this);
    m_lblFileInfo = new QLabel(this);
    for (QLabel *label : { m_lblFileName, m_lblFileInfo }) {
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    }

    m_lblKeepReason = new QLabel(this);
    m_lblKeepReason->setObjectName(QStringLiteral("lblKeepReason"));
    m_lblKeepReason->setTextFormat(Qt::PlainText);
    m_lblKeepReason->setWordWrap(true);
    m_lblKeepReason->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_lblKeepReason->setAutoFillBackground(true);
    m_lblKeepReason->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_lblKeepReason->hide();

    m_menu = new QMenu(QStringLiteral("280"), this);
    QAction *view = m_menu->addAction(QStringLiteral("281"));
    QAction *separator = m_menu->addAction(QStringLiteral("299"));
    separator->setSeparator(true);
    QAction *rename = m_menu->addAction(QStringLiteral("282"));
    QAction *remove = m_menu->addAction(QStringLiteral("283"));
    m_notDuplicate = m_menu->addAction(QStringLiteral("1900"));
    m_notDuplicate->setObjectName(QStringLiteral("mnuPU_NotDuplicate"));
    // Shown beside the entry only; the viewer reads the key itself.
    m_notDuplicate->setShortcut(QKeySequence(Qt::Key_N));
    m_notDuplicate->setShortcutContext(Qt::WidgetShortcut);
    m_notDuplicate->setVisible(false);
    view->setObjectName(QStringLiteral("mnuPU_View"));
    separator->setObjectName(QStringLiteral("mnuPUS1"));
    rename->setObjectName(QStringLiteral("mnuPU_Rename"));
    remove->setObjectName(QStringLiteral("mnuPU_Delete"));
    m_menu->setObjectName(QStringLiteral("mnuPopUp"));
    LocaliseTileMenus(m_menu);
    connect(view, &QAction::triggered, this, [this] { emit View(FullPath()); });
    connect(rename, &QAction::triggered, this, [this] { emit RenameClicked(m_index); });
    connect(remove, &QAction::triggered, this, [this] { emit DeleteClicked(m_index); });
    connect(
        m_notDuplicate, &QAction::triggered, this, [this] { emit NotDuplicateClicked(m_index); });

    Activate(false);
    SetNewSize(kDefaultThumbSize);
}

uctrlPreview::~uctrlPreview() = default;

void uctrlPreview::setNotDuplicateOffered(bool offered)
{
    m_notDuplicate->setVisible(offered);
}

bool uctrlPreview::notDuplicateOffered() const
{
    return m_notDuplicate->isVisible();
}

void uctrlPreview::setKeepReason(const QString &reason)
{
    m_lblKeepReason->setText(reason);
    m_lblKeepReason->setToolTip(reason);
    m_lblKeepReason->setVisible(!reason.isEmpty());
    m_lblKeepReason->raise();
}

QString uctrlPreview::keepReason() const
{
    return m_lblKeepReason->text();
}

QString uctrlPreview::FullPath() const
{
    return m_filePath + QLatin1Char('/') + m_fileName;
}

void uctrlPreview::Activate(bool active)
{
    QPalette palette = this->palette();
    palette.setBrush(QPalette::Window,
        QGuiApplication::palette().brush(active ? QPalette::Dark : QPalette::Button));
    // Text stays readable on the dark selection colour.
    palette.setBrush(QPalette::WindowText,
        QGuiApplication::palette().brush(active ? QPalette::BrightText : QPalette::ButtonText));
    setPalette(palette);
    m_isActive = active;
}

bool uctrlPreview::Delete()
{
    const bool recordGone = m_id == -1 || DeleteFileDataRecord(m_id);
    CleanUp();
    m_exists = false;
    m_info.reset();
    setLabel(m_lblFileName, Text(810));
    setLabel(m_lblFileInfo, QString());
    return recordGone;
}

bool uctrlPreview::Rename()
{
    try {
        QString newName;
        if (!AskNewFileName(m_fileName, newName))
            return false;
        const QString from = FullPath();
        const QString to = JoinPath(m_filePath, newName);
        const FileOpResult renamed = RenameFile(from, to);
        if (!renamed) {
            Messages().show(
                Text(1951) + ReasonText(renamed), Text(767), MsgIcon::Exclamation, MsgButtons::Ok);
            return false;
        }
        if (m_id != -1 && !RenameFileDataRecord(m_id, newName)) {
            // The record keeps the old name, so the file does too.
            RenameFile(to, from);
            Messages().show(
                Text(1951) + Text(1955), Text(767), MsgIcon::Exclamation, MsgButtons::Ok);
            return false;
        }
        m_fileName = newName;
        setPathToolTip(DisplayName(FullPath()));
        setLabel(m_lblFileName, DisplayName(newName));
        return true;
    } catch (const std::exception &e) {
        ReportException(e, QStringLiteral("USERCONTROL"), QStringLiteral("Rename"));
        return false;
    }
}

void uctrlPreview::SetImageInformation(int index, const LoadedImage &image, const QString &path,
    const QString &fileName, std::int64_t size, int width, int height, std::int32_t id)
{
    m_index = index;
    m_id = id;
    const QString fullName = path + QLatin1Char('/') + fileName;
    // The name as the disk spells it (the same on a case-sensitive system),
    // its bytes that are not UTF-8 shown as U+FFFD.
    const QString displayName = DisplayName(fileName);
    setPathToolTip(DisplayName(path) + QLatin1Char('/') + displayName);
    m_filePath = path;
    m_fileName = fileName;
    m_fileSize = size;
    m_dimX = width;
    m_dimY = height;

    m_picture = image.picture;
    m_imgThumb->update();

    if (ListedWithNormalAttributes(fullName)) {
        setLabel(m_lblFileName, Text(811) + displayName);
        m_info = TileInfo { Text(812), width, height, Text(813), size,
            LangOffset() == 2000 ? QLatin1Char(',') : QLatin1Char('.') };
        setLabel(m_lblFileInfo, TileInfoText(*m_info));
        m_exists = true;
    } else {
        m_exists = false;
        m_info.reset();
        setLabel(m_lblFileName, Text(810));
    }
}

void uctrlPreview::SetNewSize(int size)
{
    const QSize twips = TileSizeTwips(size);
    if (const auto band = LabelBandFor(size)) {
        m_labelHeight = band->height;
        m_labelPoints = band->points;
        for (QLabel *label : { m_lblFileName, m_lblFileInfo }) {
            QFont font = label->font();
            font.setPointSize(band->points);
            font.setBold(false);
            label->setFont(font);
        }
    }
    m_sizeTwips = twips;
    resize(toPixelsX(twips.width()), toPixelsY(twips.height()));
    layOut();
}

void uctrlPreview::CleanUp()
{
    m_picture = QImage();
    m_imgThumb->update();
}

void uctrlPreview::Reset()
{
    CleanUp();
    m_id = 0;
    m_filePath.clear();
    m_fileName.clear();
    m_fileSize = 0;
    m_dimX = m_dimY = 0;
    m_exists = false;
    m_info.reset();
    setPathToolTip(QString());
    setLabel(m_lblFileName, QString());
    setLabel(m_lblFileInfo, QString());
    setKeepReason(QString());
}

QRect uctrlPreview::pictureBoxTwips() const
{
    return LayOutTile(m_sizeTwips, m_labelHeight).picture;
}

QRect uctrlPreview::fileNameRectTwips() const
{
    return LayOutTile(m_sizeTwips, m_labelHeight).fileName;
}

QRect uctrlPreview::fileInfoRectTwips() const
{
    return LayOutTile(m_sizeTwips, m_labelHeight).fileInfo;
}

QRect uctrlPreview::drawnRectTwips() const
{
    if (m_picture.isNull())
        return QRect();
    return ThumbnailRect(pictureProportions(), pictureBoxTwips().size());
}

QSize uctrlPreview::pictureProportions() const
{
    // The file's own proportions decide, not those of the reduced picture.
    return m_dimX > 0 && m_dimY > 0 ? QSize(m_dimX, m_dimY) : m_picture.size();
}

QSize uctrlPreview::pictureBoxPixels() const
{
    const QRect box = pictureBoxTwips();
    return QSize(std::max(1, toPixelsX(box.width())), std::max(1, toPixelsY(box.height())));
}

void uctrlPreview::moveTwips(const QPoint &pos)
{
    m_posTwips = pos;
    // Edges from the rounded positions of both sides, so touching tiles
    // neither overlap nor leave a gap after rounding.
    const int left = toPixelsX(pos.x());
    const int top = toPixelsY(pos.y());
    setGeometry(left, top, toPixelsX(pos.x() + m_sizeTwips.width()) - left,
        toPixelsY(pos.y() + m_sizeTwips.height()) - top);
}

QString uctrlPreview::fileNameText() const
{
    return m_lblFileName->property("fullText").toString();
}

QString uctrlPreview::fileInfoText() const
{
    return m_lblFileInfo->property("fullText").toString();
}

QString uctrlPreview::toolTipText() const
{
    return m_imgThumb->toolTip();
}

void uctrlPreview::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layOut();
}

void uctrlPreview::keyPressEvent(QKeyEvent *event)
{
    int mask = 0;
    if (event->modifiers() & Qt::ShiftModifier)
        mask |= 1;
    if (event->modifiers() & Qt::ControlModifier)
        mask |= 2;
    emit KeyDown(event->key(), mask);
    QWidget::keyPressEvent(event);
}

void uctrlPreview::layOut()
{
    const TileLayout layout = LayOutTile(m_sizeTwips, m_labelHeight);
    auto place = [this](QWidget *widget, const QRect &twips) {
        const int left = toPixelsX(twips.left());
        const int top = toPixelsY(twips.top());
        widget->setGeometry(left, top, toPixelsX(twips.left() + twips.width()) - left,
            toPixelsY(twips.top() + twips.height()) - top);
    };
    place(m_imgThumb, layout.picture);
    place(m_lblFileName, layout.fileName);
    place(m_lblFileInfo, layout.fileInfo);
    // Two lines of the labels' font across the top of the picture.
    const QRect picture = m_imgThumb->geometry();
    m_lblKeepReason->setFont(m_lblFileInfo->font());
    m_lblKeepReason->setGeometry(picture.left(), picture.top(), picture.width(),
        std::min(picture.height(), 2 * m_lblKeepReason->fontMetrics().height() + 4));
    // Elide again for the new width.
    setLabel(m_lblFileName, fileNameText());
    setLabel(m_lblFileInfo, fileInfoText());
}

void uctrlPreview::pictureClicked(
    Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint &globalPos)
{
    if (button == Qt::LeftButton) {
        emit Click(m_index, modifiers);
    } else if (button == Qt::RightButton && m_exists) {
        emit Click(m_index, modifiers);
        m_menu->popup(globalPos);
    }
}

void uctrlPreview::pictureDoubleClicked()
{
    emit View(FullPath());
}

void uctrlPreview::setLabel(QLabel *label, const QString &text)
{
    label->setProperty("fullText", text);
    const int width = label->width();
    QString shown = text;
    if (width > 0) {
        const QFontMetrics metrics = label->fontMetrics();
        if (label == m_lblFileInfo && m_info && text == TileInfoText(*m_info)) {
            // Shortened without cutting a number: "Grootte: 4332…" would
            // read as a wrong size.
            shown = FitTileInfo(*m_info, [&](const QString &candidate) {
                return metrics.horizontalAdvance(candidate) <= width;
            });
        } else {
            shown = metrics.elidedText(
                text, label == m_lblFileName ? Qt::ElideMiddle : Qt::ElideRight, width);
        }
    }
    label->setText(shown);
    updateToolTips();
}

void uctrlPreview::setPathToolTip(const QString &text)
{
    m_pathToolTip = text;
    updateToolTips();
}

void uctrlPreview::updateToolTips()
{
    // When a label is shortened, the tool tips show both labels whole.
    const QString name = fileNameText();
    const QString info = fileInfoText();
    const bool shortened = m_lblFileName->text() != name || m_lblFileInfo->text() != info;
    QString both;
    if (shortened)
        both = info.isEmpty() ? name : name + QLatin1Char('\n') + info;
    m_lblFileName->setToolTip(both);
    m_lblFileInfo->setToolTip(both);
    m_imgThumb->setToolTip(both.isEmpty() || m_pathToolTip.isEmpty()
            ? m_pathToolTip + both
            : m_pathToolTip + QLatin1Char('\n') + both);
}

int uctrlPreview::toPixelsX(int twips) const
{
    return TwipsToPixels(twips, Env().twipsPerPixelX);
}

int uctrlPreview::toPixelsY(int twips) const
{
    return TwipsToPixels(twips, Env().twipsPerPixelY);
}

}  // namespace vexa
