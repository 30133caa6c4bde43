// Loaded from the page's own origin: the page reads its version once it is shown.
window.addEventListener('DOMContentLoaded', async () => {
  window.seen.version = await window.ACAPI.GetVersion();
  document.getElementById('version').textContent = window.seen.version;
});
