/* Information pages: fill in the build data when the dialog publishes it, and open links in the
   desktop's browser through the program. */
(function (global) {
    'use strict';

    let webGUI = null;

    function show(data) {
        for (const key of ['buildDate', 'buildVersion']) {
            const node = document.getElementById(key);
            if (node && data && data[key] !== undefined && data[key] !== null && data[key] !== '') node.textContent = String(data[key]);
        }
    }

    document.addEventListener('DOMContentLoaded', function () {
        global.Oz.routeExternalLinks(document, function () { return webGUI; });
        if (typeof global.QWebChannel !== 'function' || !global.qt || !global.qt.webChannelTransport) return;
        new global.QWebChannel(global.qt.webChannelTransport, function (channel) {
            webGUI = channel.objects.webGUI || null;
            const webData = channel.objects.webData;
            if (webData && webData.publishData) {
                webData.publishData.connect(show);
                webData.dataRequested();
            }
        });
    });
})(window);
