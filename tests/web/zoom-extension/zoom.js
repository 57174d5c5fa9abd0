// Sets the browser zoom of the tab that asks, as a person's Ctrl + does: headless Chromium's own
// emulation changes the pixel ratio without moving the page's boxes.
chrome.runtime.onMessageExternal.addListener((factor, sender, reply) => {
  chrome.tabs.setZoom(sender.tab.id, factor).then(() => reply("zoomed"), (error) => reply(String(error)));
  return true;
});
