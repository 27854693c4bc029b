#include "UsageChartView.h"

#include <QBuffer>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "ConnectionLog.h"
#include "FileException.h"
#include "HistoryDoc.h"
#include "HistoryExport.h"
#include "HistoryTree.h"
#include "OutputFile.h"
#include "Prompt.h"
#include "TextBytes.h"
#include "ThemeColors.h"

namespace {

CUsageChartView::DialogRunner& ActiveRunner()
{
    static CUsageChartView::DialogRunner runner;
    return runner;
}

// WCAG 2's least contrast for graphics such as bars and lines.
constexpr double kGraphicContrast = 3.0;

} // namespace

CUsageChartView::CUsageChartView(CHistoryDoc& doc, const CHistoryTree& tree, CUsageChart::SAllowance allowance,
                                 QWidget* parent)
    : QWidget(parent), m_doc(doc), m_tree(tree), m_allowance(allowance)
{
    setObjectName(QStringLiteral("usageChart"));
    setAccessibleName(tr("Chart of connection time"));
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);

    m_pHeader = new QWidget(this);
    m_pSummary = new QLabel(m_pHeader);
    m_pSummary->setObjectName(QStringLiteral("chartSummary"));
    m_pSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pScale = new QComboBox(m_pHeader);
    m_pScale->setObjectName(QStringLiteral("chartScale"));
    m_pScale->setAccessibleName(tr("Bars of the chart"));
    m_pScale->addItem(tr("Days of the month"));
    m_pScale->addItem(tr("Months of the year"));
    connect(m_pScale, qOverload<int>(&QComboBox::activated), this, [this] { Refresh(); });
    m_pSave = new QPushButton(tr("Save Chart as PNG..."), m_pHeader);
    m_pSave->setObjectName(QStringLiteral("saveChart"));
    m_pSave->setAutoDefault(false);
    connect(m_pSave, &QPushButton::clicked, this, &CUsageChartView::OnSavePng);

    // The summary and the controls in a column on the left: the pane is wider than it is tall.
    auto* column = new QVBoxLayout(m_pHeader);
    column->setContentsMargins(6, 4, 0, 4);
    column->addWidget(m_pSummary);
    column->addStretch(1);
    column->addWidget(m_pScale);
    column->addWidget(m_pSave);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_pHeader);
    row->addStretch(1);
    // A long summary (the allowance's pace) wraps rather than narrowing the bars.
    m_pSummary->setWordWrap(true);
    m_pHeader->setMaximumWidth(std::max(fontMetrics().averageCharWidth() * 36,
                                        m_pSave->sizeHint().width() + column->contentsMargins().left()));

    m_doc.AddView(this);
    Refresh();
}

CUsageChartView::~CUsageChartView()
{
    m_doc.RemoveView(this);
}

void CUsageChartView::OnUpdate(CHistoryView*, CLogDay*)
{
    Refresh();
}

void CUsageChartView::SetScale(CUsageChart::Scale scale)
{
    m_pScale->setCurrentIndex(scale == CUsageChart::Scale::Months ? 1 : 0);
    Refresh();
}

void CUsageChartView::SetExtraSummary(std::function<QString()> source)
{
    m_extraSource = std::move(source);
    Refresh();
}

void CUsageChartView::Refresh()
{
    const CConnectionLog& log = *m_doc.GetLog();
    const std::string& filter = m_doc.m_strFilter;
    // The highlighted node is only asked whether it is a day: after the log is read again its
    // month and day objects may be gone until the tree is rebuilt. A day node is always the
    // tree's remembered date; a month node was chosen by the user and is the document's period.
    int year = 0, month = 0;
    if (QTreeWidgetItem* node = m_tree.SelectedNode()) {
        const CTime at = node->parent() ? m_tree.m_timeSelected : m_doc.m_timeFrom;
        year = at.GetYear();
        month = at.GetMonth();
    } else {
        for (int m = log.GetMonthCount() - 1; m >= 0 && year == 0; --m)
            if (log.GetMonth(m)->GetTotal(filter) != CTimeSpan()) {
                year = log.GetMonth(m)->GetYear();
                month = log.GetMonth(m)->GetMonth();
            }
        if (year == 0) {
            const CTime now = CTime::GetCurrentTime();
            year = now.GetYear();
            month = now.GetMonth();
        }
    }
    const auto scale = m_pScale->currentIndex() == 1 ? CUsageChart::Scale::Months : CUsageChart::Scale::Days;
    m_chart = CUsageChart::Build(log, filter, scale, year, month, m_allowance);
    m_chart.m_strExtra = m_extraSource ? m_extraSource() : QString();
    m_pSummary->setText(m_chart.SummaryLines().join(QLatin1Char('\n')));
    // Selectable text takes the focus; a screen reader then reads the summary as its name.
    m_pSummary->setAccessibleName(m_chart.SummaryLines().join(QStringLiteral(", ")));
    setAccessibleDescription(m_chart.Description());
    update();
}

QRect CUsageChartView::ChartRect() const
{
    return rect().adjusted(m_pHeader->geometry().right() + 1, 0, 0, 0);
}

CUsageChart::SColors CUsageChartView::ScreenColors() const
{
    const QPalette& colours = palette();
    const QColor background = colours.color(QPalette::Base);
    return {background, colours.color(QPalette::Text), colours.color(QPalette::Mid),
            CThemeColors::Readable(colours.color(QPalette::Highlight), background, kGraphicContrast),
            CThemeColors::Readable(QColor(0xc0, 0x00, 0x00), background, kGraphicContrast)};
}

void CUsageChartView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    m_chart.Paint(painter, ChartRect(), font(), ScreenColors(), false);
}

void CUsageChartView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    connect(menu.addAction(tr("Save Chart as PNG...")), &QAction::triggered, this, &CUsageChartView::OnSavePng);
    menu.exec(event->globalPos());
}

QImage CUsageChartView::RenderImage() const
{
    const QSize size(std::max(800, width()), std::max(400, height()));
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    m_chart.Paint(painter, QRectF(QPointF(0, 0), QSizeF(size)), font(), ScreenColors(), true);
    painter.end();
    return image;
}

void CUsageChartView::SetDialogRunner(DialogRunner runner)
{
    ActiveRunner() = std::move(runner);
}

void CUsageChartView::OnSavePng()
{
    QFileDialog dialog(this, tr("Save Chart as PNG"));
    dialog.setObjectName(QStringLiteral("saveChartDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(tr("PNG image (*.png)"));
    dialog.setDefaultSuffix(QStringLiteral("png"));
    dialog.selectFile(tr("Zelmorin chart.png"));
    const int result = ActiveRunner() ? ActiveRunner()(dialog) : dialog.exec();
    if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    SavePngTo(dialog.selectedFiles().first());
}

bool CUsageChartView::SavePngTo(const QString& path)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    std::string cause;
    if (!RenderImage().save(&buffer, "PNG")) {
        cause = BytesFromQString(tr("The picture could not be encoded."));
    } else {
        try {
            COutputFile file(QFile::encodeName(path).toStdString());
            file.Write(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
            file.Commit();
            CHistoryExport::TellIfUnlocked(this);
            return true;
        } catch (const CFileException& error) {
            cause = error.GetCause();
        }
    }
    CPrompt::Show(this, CPrompt::Kind::Stop,
                  BytesFromQString(tr("Zelmorin could not save the chart to %1:\n%2\n\nA file of that name that "
                                      "existed before was left as it was.")
                                       .arg(path, QStringFromBytes(cause))));
    return false;
}
