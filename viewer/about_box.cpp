#include "viewer/about_box.h"

#include <algorithm>
#include <initializer_list>

#include <QFrame>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QStringList>

#include "viewer/log_module.h"
#include "viewer/module_version.h"
#include "viewer/twips.h"
#include "viewer/user_dialogs.h"
#include "viewer/viewer_identity.h"

namespace corvex::viewer {

namespace {

constexpr const char* kMakerLines[] = {
    "Corvex Flow Instruments",
    "Field Measurement Division",
    "12 Meridian Way",
    "Northfield NF4 2QA",
    "Telephone: +44 1632 960 410",
    "Fax: +44 1632 960 411",
    "www.corvex-flow.example",
};

constexpr char kDisclaimer[] =
    "Warning: this program is protected by copyright law. Copying or distributing it, or any part of it, "
    "without the written permission of Corvex Flow Instruments is prohibited and may be prosecuted.";

QLabel* label(QWidget* parent, const char* name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

// A plain banner standing in for the maker's logo: a flow line across a band.
QPixmap logo(int width, int height) {
    QPixmap pixmap(width, height);
    QPainter p(&pixmap);
    QLinearGradient band(0, 0, width, 0);
    band.setColorAt(0, QColor(0x0b, 0x3d, 0x63));
    band.setColorAt(1, QColor(0x2a, 0x7f, 0xb8));
    p.fillRect(pixmap.rect(), band);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0xe8, 0xf4, 0xfb), 3));
    QPainterPath wave;
    wave.moveTo(0, height * 0.65);
    for (int x = 0; x <= width; x += 40) {
        wave.quadTo(x + 10, height * 0.45, x + 20, height * 0.65);
        wave.quadTo(x + 30, height * 0.85, x + 40, height * 0.65);
    }
    p.drawPath(wave);
    return pixmap;
}

void separator(QWidget* parent, const char* name, int top) {
    auto* line = new QFrame(parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    place(line, 120, top, 7125, 30);
}

}  // namespace

QString viewer_version_text() {
    return QStringLiteral("version %1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision);
}

AboutBox::AboutBox(UserDialogs& dialogs, ModuleVersion& module_version, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setFixedSize(twips_to_pixels(7350), twips_to_pixels(7155));
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(9);
    setFont(font);

    auto* image = label(this, "Image1", QString());
    image->setPixmap(logo(twips_to_pixels(7350), twips_to_pixels(1080)));
    place(image, 0, 0, 7350, 1080);
    auto* company = label(this, "Label1", QString::fromLatin1(kMakerLines[0]));
    QFont company_font(QStringLiteral("Serif"));
    company_font.setPointSizeF(16);
    company_font.setItalic(true);
    company->setFont(company_font);
    company->setAlignment(Qt::AlignCenter);
    place(company, 0, 1200, 7155, 360);
    separator(this, "Line1", 1920);

    QFont bold = font;
    bold.setBold(true);
    bold.setPointSizeF(11);
    auto* title = label(this, "lblTitle", QString());
    title->setFont(bold);
    place(title, 120, 2160, 7125, 360);
    auto* version = label(this, "lblVersion", QString());
    place(version, 120, 2520, 7125, 225);
    auto* module_title = label(this, "lblCorvexdllTitle", QStringLiteral("Corvex.dll"));
    module_title->setFont(bold);
    place(module_title, 120, 2880, 7125, 360);
    auto* module_version_label = label(this, "lblCorvexdllversion", QString());
    place(module_version_label, 120, 3240, 7125, 240);
    auto* address = label(this, "lblAddress", QString());
    address->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(address, 120, 3600, 7095, 1575);
    separator(this, "Line2", 5340);
    auto* disclaimer = label(this, "lblDisclaimer", QString::fromLatin1(kDisclaimer));
    disclaimer->setWordWrap(true);
    disclaimer->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(disclaimer, 120, 5520, 5775, 1545);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    place(ok, 6000, 6720, 1260, 345);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    // Load.
    const QString application = QString::fromLatin1(kApplicationTitle);
    setWindowTitle(QStringLiteral("About ") + application);
    version->setText(viewer_version_text());
    title->setText(application);
    const std::string& text = module_version.read(log_module_path(), [&] {
        dialogs.message(this, QStringLiteral("No Version Info available!"), application);
    });
    module_version_label->setText(QStringLiteral("version ") + QString::fromStdString(text));
    QStringList lines;
    for (const char* line : kMakerLines) lines << QString::fromLatin1(line);
    address->setText(lines.join(QLatin1Char('\n')));

    // The form's heights suit Arial; a font standing in for it may be taller.
    // The labels of several lines get the height their text needs in the
    // font used, what lies below them moves down, and the box grows.
    ensurePolished();  // the fonts that style sheets give
    int grown = 0;
    const auto fit = [&grown](QLabel* label, int needed, std::initializer_list<QWidget*> below) {
        label->move(label->x(), label->y() + grown);
        const int more = std::max(0, needed - label->height());
        label->resize(label->width(), label->height() + more);
        grown += more;
        for (QWidget* w : below) w->move(w->x(), w->y() + more);
    };
    QWidget* line2 = findChild<QWidget*>(QStringLiteral("Line2"));
    fit(address, address->sizeHint().height(), {line2});
    // The button lies beside the warning, so it moves with the warning's growth only.
    fit(disclaimer, disclaimer->heightForWidth(disclaimer->width()), {});
    ok->move(ok->x(), ok->y() + grown);
    setFixedSize(width(), height() + grown);
}

}  // namespace corvex::viewer
