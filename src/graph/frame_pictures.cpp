#include "graph/frame_pictures.h"

#include "analysis/number_format.h"
#include "analysis/pair_check.h"
#include "analysis/run_file_names.h"
#include "analysis/template_script.h"
#include "analysis/time_stamp.h"
#include "frame_source/avs_clip.h"
#include "graph/jpeg_file.h"
#include "graph/preview_image.h"
#include "i18n/translate.h"
#include "metrics/frame_metrics.h"
#include "metrics/local_ssim_map.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace bv {

namespace {

constexpr int kMargin = 8;
constexpr int kTextPixels = 14;
constexpr int kLegendBar = 16;

// From 1 (cool) down to the frame's lowest value (hot).
QColor MapColor(double t) {
    static const QColor stops[] = {QColor(24, 32, 104), QColor(0, 150, 200), QColor(250, 215, 40),
                                   QColor(215, 20, 20)};
    t = std::clamp(t, 0.0, 1.0) * 3;
    const int i = std::min(static_cast<int>(t), 2);
    const double f = t - i;
    const QColor& a = stops[i];
    const QColor& b = stops[i + 1];
    return QColor(static_cast<int>(std::lround(a.red() + f * (b.red() - a.red()))),
                  static_cast<int>(std::lround(a.green() + f * (b.green() - a.green()))),
                  static_cast<int>(std::lround(a.blue() + f * (b.blue() - a.blue()))));
}

double ScalePosition(double value, double lowest) {
    return lowest < 1.0 ? (1.0 - value) / (1.0 - lowest) : 0.0;
}

// Every pixel shows the window centred nearest to it.
QImage MapImage(const LocalSsimMap& map, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    if (map.values.empty())
        return image;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        const int wy = std::clamp(y - 4, 0, map.rows - 1);
        for (int x = 0; x < width; ++x)
            row[x] = MapColor(ScalePosition(map.at(std::clamp(x - 4, 0, map.columns - 1), wy), map.lowest)).rgb();
    }
    return image;
}

// As the run's preview shows the frame: YUV in colour by the recommendation, grey in grey,
// deeper samples scaled to 8 bits.
QImage FrameImage(const FrameView& frame, const avs::PixelFormat& format, int width, int height, int itu) {
    return FrameRgbImage(frame, &format, itu, width, height).convertToFormat(QImage::Format_RGB32);
}

// The lowest window: its 8 x 8 square, and a ring around it that finds it in a large frame.
void OutlineWindow(QPainter& painter, QPoint origin, int x, int y) {
    const QRect window(origin.x() + x, origin.y() + y, 8, 8);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 3));
    painter.drawRect(window.adjusted(-1, -1, 0, 0));
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRect(window.adjusted(-1, -1, 0, 0));
    painter.setPen(QPen(Qt::white, 2, Qt::DashLine));
    painter.drawEllipse(QPointF(window.center()) + QPointF(0.5, 0.5), 24, 24);
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QImage Compose(const QImage& original, const QImage& encoded, const LocalSsimMap& map, const QString& caption) {
    const int w = original.width(), h = original.height();
    QFont font = QGuiApplication::font();
    font.setPixelSize(kTextPixels);
    const QFontMetrics metrics(font);
    const int line = metrics.height();
    const QString top = QStringLiteral("1");
    const QString bottom = Q(FormatNumber(map.lowest));
    const int legendWidth = kLegendBar + 6 + std::max(metrics.horizontalAdvance(top), metrics.horizontalAdvance(bottom));
    const int panelsTop = kMargin + line + 4 + line;
    const int width = std::max(4 * kMargin + 3 * w + kMargin + legendWidth, 2 * kMargin + metrics.horizontalAdvance(caption));
    QImage picture(width + kMargin, panelsTop + h + kMargin, QImage::Format_RGB32);
    picture.fill(QColor(240, 240, 240));

    QPainter painter(&picture);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(kMargin, kMargin + metrics.ascent(), caption);
    const QString labels[] = {Q(Translate("Source File 1")), Q(Translate("Source File 2")),
                              Q(Translate("Local SSIM in Y"))};
    const QImage* panels[] = {&original, &encoded, nullptr};
    const QImage mapImage = MapImage(map, w, h);
    for (int i = 0; i < 3; ++i) {
        const QPoint at(kMargin + i * (w + kMargin), panelsTop);
        painter.setPen(Qt::black);
        painter.drawText(at.x(), panelsTop - 4 - metrics.descent(), metrics.elidedText(labels[i], Qt::ElideRight, w));
        painter.drawImage(at, panels[i] != nullptr ? *panels[i] : mapImage);
        if (i > 0 && !map.values.empty())
            OutlineWindow(painter, at, map.lowestX, map.lowestY);
    }
    // The legend: the colour scale from 1 at the top to the frame's lowest at the bottom.
    const int legendX = kMargin + 3 * (w + kMargin);
    for (int y = 0; y < h; ++y) {
        painter.setPen(MapColor(h > 1 ? static_cast<double>(y) / (h - 1) : 0.0));
        painter.drawLine(legendX, panelsTop + y, legendX + kLegendBar - 1, panelsTop + y);
    }
    painter.setPen(Qt::black);
    painter.drawText(legendX + kLegendBar + 4, panelsTop + metrics.ascent(), top);
    painter.drawText(legendX + kLegendBar + 4, panelsTop + h - metrics.descent(), bottom);
    return picture;
}

} // namespace

std::vector<int> WorstFrames(const GraphTables& tables, int index, int startFrame, int count) {
    std::vector<int> order;
    if (index < 0 || index >= static_cast<int>(tables.GraphValues.size()))
        return order;
    const std::vector<double>& values = tables.GraphValues[index];
    for (size_t i = 0; i < values.size(); ++i)
        if (values[i] >= 0)
            order.push_back(static_cast<int>(i));
    std::stable_sort(order.begin(), order.end(), [&values](int a, int b) { return values[a] < values[b]; });
    order.resize(std::min(order.size(), static_cast<size_t>(std::max(count, 0))));
    for (int& i : order)
        i += startFrame;
    return order;
}

std::string FramePictureName(const std::string& stamp, int index, int count, const char* kind, int frame) {
    return "bv_" + BaseNameFor(stamp, index, count) + "_" + kind + "_" + FormatFrameNumber(frame) + ".png";
}

FramePicture DrawFramePicture(ScriptEnvironment& environment, const AnalysisSettings& s, int index, int frame) {
    const std::string& path = s.SourceFiles2.at(index);
    AvsClip clip1 = OpenSourceClip(environment, s.SourceFile1, s.Template1, kGeneratedScript1, false,
                                   s.Template1Name.empty() ? Translate("AviSynth Template 1") : s.Template1Name);
    AvsClip clip2 = OpenSourceClip(environment, path, s.Template2, kGeneratedScript2, false,
                                   s.Template2Name.empty() ? Translate("AviSynth Template 2") : s.Template2Name);
    // The run's own check and kernels: the figures are the run's.
    const PairCheck check = CheckPair(clip1, clip2, {true, true});
    if (!check.measure)
        throw std::runtime_error(path + ": " + check.refusal);
    const avs::PixelFormat& format = check.measure->format();
    const int w = clip1.width, h = clip1.height;
    const std::string unreadable = path + ": " + Translate("The frame cannot be read:") + " " + std::to_string(frame);
    // Paired as the run paired them: the encode's frame `frame` + its offset.
    const long long encodedFrame = static_cast<long long>(frame) + s.OffsetOf(static_cast<size_t>(index));
    if (frame < 0 || frame >= clip1.frameCount || encodedFrame < 0 || encodedFrame >= clip2.frameCount)
        throw std::runtime_error(unreadable);
    FrameView original = FetchFrame(clip1, frame);
    FrameView encoded = FetchFrame(clip2, static_cast<int>(encodedFrame));
    if (original.height() < h || encoded.height() < h || original.rowSize() < format.RowBytes(0, w) ||
        encoded.rowSize() < format.RowBytes(0, w))
        throw std::runtime_error(unreadable);

    const PairResults r = check.measure->Measure(original, encoded);
    const LocalSsimMap map = ComputeLocalSsimMap(format, original.plane(0), encoded.plane(0), w, h);
    FramePicture picture;
    picture.q = r.ssim.qY;
    picture.hasPsnr = r.psnr.mseY > 0;
    picture.psnr = picture.hasPsnr ? PsnrFromMse(r.psnr.mseY, format.PeakValue()) : 0;
    picture.lowestSsim = map.lowest;
    picture.lowestX = map.lowestX;
    picture.lowestY = map.lowestY;

    std::string psnr = Translate("PSNR in Y:"); // appended: GCC 12 warns falsely on " " + string
    if (picture.hasPsnr)
        psnr.append(" ").append(FormatNumber(picture.psnr)).append(" dB");
    const QString caption = Q(path + "    " + Translate("Frame") + " " + std::to_string(frame) + "    " +
                              Translate("Q in Y:") + " " + FormatNumber(picture.q) + "    " + psnr);
    picture.image = Compose(FrameImage(original, format, w, h, s.ItuMode), FrameImage(encoded, format, w, h, s.ItuMode),
                            map, caption);
    original.Release();
    encoded.Release();
    return picture;
}

SavedPictures SaveRunPictures(ScriptEnvironment& environment, const AnalysisSettings& s, const GraphTables& tables,
                              int filesBegun, const PictureChoice& choice) {
    SavedPictures saved;
    const std::string stamp = DateTimeStamp();
    const int count = static_cast<int>(s.SourceFiles2.size());
    for (int i = 0; i < filesBegun && i < count && i < static_cast<int>(tables.GraphValues.size()); ++i) {
        const std::vector<double>& row = tables.GraphValues[i];
        std::vector<int> frames;
        if (choice.worst > 0)
            frames = WorstFrames(tables, i, s.StartFrame, choice.worst);
        else if (const long long at = static_cast<long long>(choice.frame) - s.StartFrame;
                 at >= 0 && at < static_cast<long long>(row.size()) && row[at] >= 0)
            frames = {choice.frame};
        const std::string folder =
            choice.folder.empty() ? StorageFolderFor(s.StoragePath, s.SourceFile1, s.SourceFiles2[i]) : choice.folder;
        for (int frame : frames) {
            const std::string path =
                folder + FramePictureName(stamp, i, count, choice.worst > 0 ? "worst" : "frame", frame);
            try {
                WritePngFile(path, DrawFramePicture(environment, s, i, frame).image);
                saved.written.push_back(path);
            } catch (const std::exception& e) {
                saved.errors.push_back(e.what());
            }
        }
    }
    return saved;
}

void WritePngFile(const std::string& path, const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        throw std::runtime_error("Cannot write file \"" + path + "\": PNG encoding failed");
    WriteJpegFile(path, std::vector<unsigned char>(bytes.begin(), bytes.end()));
}

} // namespace bv
