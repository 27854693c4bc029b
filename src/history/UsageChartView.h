#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

#include "HistoryView.h"
#include "UsageChart.h"

class CHistoryDoc;
class CHistoryTree;
class QComboBox;
class QFileDialog;
class QLabel;
class QPushButton;

// The chart pane of the History window: the summary, the choice between the days of a month
// and the months of a year and the save command in a column, the bars beside them. It shows the month of the day or
// month highlighted in the tree, or with nothing highlighted the latest month with connections under the filter.
class CUsageChartView : public QWidget, public CHistoryView
{
    Q_OBJECT
public:
    // Shows the save dialog and returns its result (QDialog::Accepted or Rejected).
    using DialogRunner = std::function<int(QFileDialog& dialog)>;

    CUsageChartView(CHistoryDoc& doc, const CHistoryTree& tree, CUsageChart::SAllowance allowance,
                    QWidget* parent = nullptr);
    ~CUsageChartView() override;

    void OnUpdate(CHistoryView* sender, CLogDay* hint) override;
    // Builds the chart again from the tree's selection and the document's filter.
    void Refresh();
    void SetScale(CUsageChart::Scale scale);
    // One more line under the summary (the allowance's pace), asked for again at every
    // rebuild so that it follows the log; nullptr, or an empty text, removes it.
    void SetExtraSummary(std::function<QString()> source);

    const CUsageChart& GetChart() const { return m_chart; }
    QComboBox* GetScaleBox() const { return m_pScale; }
    QLabel* GetSummary() const { return m_pSummary; }

    // The chart with its summary, at least 800 x 400 pixels, larger when the pane is.
    QImage RenderImage() const;
    // Asks for a file name and saves the chart there as PNG.
    void OnSavePng();
    // Replaces the file atomically; on failure the user is told why and false is returned.
    bool SavePngTo(const QString& path);
    // Replaces the modal run of the save dialog; nullptr runs it normally again.
    static void SetDialogRunner(DialogRunner runner);

    // The desktop palette's colours, with the bars and the allowance line kept distinct from
    // the background for low vision.
    CUsageChart::SColors ScreenColors() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QRect ChartRect() const;

    CHistoryDoc& m_doc;
    const CHistoryTree& m_tree;
    CUsageChart::SAllowance m_allowance;
    CUsageChart m_chart;
    std::function<QString()> m_extraSource;
    QWidget* m_pHeader = nullptr; // the summary and the controls beside the bars
    QLabel* m_pSummary = nullptr;
    QComboBox* m_pScale = nullptr;
    QPushButton* m_pSave = nullptr;
};
