#include "sandbox/services/ProductService.h"

#include "sandbox/StandinServer.h"
#include "sandbox/services/Pages.h"
#include "webkit/ServiceConfig.h"

namespace {

const Pages::Look kFlazz{QStringLiteral("Flazz"), QStringLiteral("#c10606")};
const Pages::Look kMaker{QStringLiteral("Korvantis"), QStringLiteral("#33414e")};

constexpr char kBrandPath[] = "/brand";
constexpr char kHowItWorksPath[] = "/howitworks.html";
constexpr char kAdsPath[] = "/flazzads.html";

QString homePage()
{
    return Pages::sitePage(
        kFlazz, QStringLiteral("Share your photos in a flash"),
        QStringLiteral(
            "<section><p><b>Uploading photos is so passé - FLAZZ them instead!</b> Drop up to 100 photos on "
            "Flazz, type one description, pick a size and press a destination: Facebook, Flickr, Dropbox, "
            "Google Drive or SkyDrive, a Zip on your desktop, Skype, or prints to your door.</p>"
            "<p>Share Socially | Save in the Cloud | Order Prints Online. Enjoy!</p>"
            "<p><a href=\"/howitworks.html\">How it works</a></p></section>"
            "<section><h2>In the sandbox</h2><p>Every destination is played on this machine: sign in with "
            "the buttons the pages offer, and the photos you send show up on each service's own pages and "
            "on the sandbox page.</p></section>"));
}

QString howItWorksPage()
{
    return Pages::sitePage(
        kFlazz, QStringLiteral("How it works"),
        QStringLiteral("<section><h2>1. Add your photos</h2><p>Drag photos or whole folders onto the drop "
                       "zone, or press Browse. Flazz takes JPEG, GIF, PNG and BMP photos, up to 100 at a "
                       "time, and leaves out any it already has.</p></section>"
                       "<section><h2>2. Describe and size them</h2><p>Type one description for all of them "
                       "and pick an upload size: the smaller, the faster they go.</p></section>"
                       "<section><h2>3. Press a destination</h2><p>Sign in once, choose an album or folder, "
                       "and Flazz does the rest while you carry on. The service's site opens to show "
                       "your photos.</p></section>"));
}

// Sized for the main window's panel (348 by 84 pixels), in plain tables so
// that a simple renderer shows it as well as a browser.
QString advert()
{
    return QStringLiteral(
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Flazz prints</title><style>"
        "html,body{margin:0;padding:0;overflow:hidden}"
        "body{font-family:Calibri,\"DejaVu Sans\",sans-serif;background:#c10606;color:#fff}"
        "table.ad{width:100%;height:84px;border-collapse:collapse;"
        "background:linear-gradient(100deg,#c10606 0%,#e8590c 100%)}"
        "td{padding:0 8px;vertical-align:middle}"
        ".stack{width:64px;text-align:center}"
        ".photo{display:inline-block;width:34px;height:26px;border:3px solid #fff;background:#7fb3d5;"
        "box-shadow:0 1px 3px rgba(0,0,0,.4)}"
        ".p1{transform:rotate(-10deg)}.p2{background:#f5cba7;transform:rotate(8deg);margin-left:-22px}"
        ".big{font-size:17px;font-weight:bold;line-height:1.1}.small{font-size:11px;opacity:.9}"
        ".button{background:#fff;color:#c10606;font-weight:bold;font-size:12px;padding:5px 9px;"
        "border-radius:12px;white-space:nowrap}"
        ".tag{font-size:9px;opacity:.75;text-align:right;padding-top:2px}</style></head>\n"
        "<body><table class=\"ad\"><tr>"
        "<td class=\"stack\"><span class=\"photo p1\"></span><span class=\"photo p2\"></span></td>"
        "<td><div class=\"big\">Your photos, printed</div>"
        "<div class=\"small\">Glossy prints from 19&cent;, at your door</div>"
        "<div class=\"tag\">Ad &middot; sandbox</div></td>"
        "<td><span class=\"button\">Press Print</span></td>"
        "</tr></table></body></html>\n");
}

QString makerPage()
{
    return Pages::sitePage(
        kMaker, QStringLiteral("Korvantis: small tools for your photos"),
        QStringLiteral(
            "<section><h2>Flazz</h2><p>Flazz sends a batch of photos to one destination in a few clicks. "
            "It uses the interfaces each service offers and is not endorsed by or affiliated with any of "
            "them.</p></section>"
            "<section><h2>Limitations</h2><p>Each service keeps its own limits and terms: photo sizes and "
            "counts, the albums and folders it makes, who may see what arrives. What a service refuses, "
            "Flazz reports with the service's own words.</p></section>"));
}

} // namespace

void ProductService::configure(ServiceConfig &config, const QString &baseUrl) const
{
    config.product.site = baseUrl;
    config.product.brandSite = baseUrl + QLatin1String(kBrandPath);
    config.product.howItWorks = baseUrl + QLatin1String(kHowItWorksPath);
    config.product.ads = baseUrl + QLatin1String(kAdsPath);
}

void ProductService::install(StandinServer &server, SandboxStore &)
{
    m_baseUrl = server.baseUrl();
    server.answer("GET", "/", Pages::html(200, homePage()));
    server.answer("GET", kHowItWorksPath, Pages::html(200, howItWorksPage()));
    server.answer("GET", kAdsPath, Pages::html(200, advert()));
    server.answer("GET", kBrandPath, Pages::html(200, makerPage()));
}

QString ProductService::pageSection(const SandboxStore &) const
{
    const QString base = Pages::escape(m_baseUrl);
    return u"<p>The product's pages: <a href=\"" + base + u"/\">home</a>, <a href=\"" + base +
           QLatin1String(kHowItWorksPath) + u"\">How It Works</a>, <a href=\"" + base +
           QLatin1String(kAdsPath) + u"\">the advertisement</a>, <a href=\"" + base +
           QLatin1String(kBrandPath) + u"\">the maker's site</a>.</p>";
}
