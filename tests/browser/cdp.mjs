// A small DevTools-protocol client for Debian's chromium over a pipe (no network port): enough to
// serve a page's origin from folders, inject scripts, click and evaluate.

import { spawn, execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';

export function findChromium() {
    for (const name of ['chromium', 'chromium-browser']) {
        try {
            return execFileSync('sh', ['-c', `command -v ${name}`]).toString().trim();
        } catch (error) {
            // try the next name
        }
    }
    return '';
}

const MIME = {
    '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8', '.mjs': 'text/javascript; charset=utf-8',
    '.css': 'text/css; charset=utf-8', '.json': 'application/json', '.jpg': 'image/jpeg', '.png': 'image/png',
    '.svg': 'image/svg+xml', '.txt': 'text/plain; charset=utf-8', '.xyz': 'text/plain; charset=utf-8',
};

export class Browser {
    constructor(binary) {
        this.profile = mkdtempSync(path.join(tmpdir(), 'landfetch-cdp-'));
        this.process = spawn(binary, ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run',
            '--disable-background-networking', '--disable-component-update', '--disable-sync', '--hide-scrollbars',
            '--remote-debugging-pipe', `--user-data-dir=${this.profile}`, '--window-size=420,640', 'about:blank'],
        { stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe'] });
        this.nextId = 1;
        this.pending = new Map();
        this.listeners = [];
        this.buffer = Buffer.alloc(0);
        this.process.stdio[4].on('data', (chunk) => this.receive(chunk));
    }

    receive(chunk) {
        this.buffer = Buffer.concat([this.buffer, chunk]);
        let end;
        while ((end = this.buffer.indexOf(0)) >= 0) {
            const message = JSON.parse(this.buffer.subarray(0, end).toString('utf8'));
            this.buffer = this.buffer.subarray(end + 1);
            if (message.id && this.pending.has(message.id)) {
                const { resolve, reject } = this.pending.get(message.id);
                this.pending.delete(message.id);
                message.error ? reject(new Error(JSON.stringify(message.error))) : resolve(message.result);
            } else if (message.method) {
                for (const listener of this.listeners)
                    listener(message);
            }
        }
    }

    send(method, params = {}, sessionId = undefined) {
        const id = this.nextId++;
        const message = JSON.stringify({ id, method, params, ...(sessionId ? { sessionId } : {}) });
        return new Promise((resolve, reject) => {
            this.pending.set(id, { resolve, reject });
            this.process.stdio[3].write(message + '\0');
        });
    }

    on(listener) {
        this.listeners.push(listener);
    }

    async close() {
        const exited = this.process.exitCode !== null ? Promise.resolve()
            : new Promise((resolve) => this.process.once('exit', resolve));
        this.send('Browser.close').catch(() => {});
        const timer = setTimeout(() => this.process.kill('SIGKILL'), 5000);
        await exited;
        clearTimeout(timer);
        rmSync(this.profile, { recursive: true, force: true, maxRetries: 5 });
    }
}

// One tab whose origin is answered from folders: `routes` maps a path prefix ("/", "/sample/") to a
// folder. Requests for any other origin are recorded in `blocked` and aborted.
export class Page {
    static async open(browser, origin, routes) {
        const { targetInfos } = await browser.send('Target.getTargets');
        const target = targetInfos.find((info) => info.type === 'page');
        const { sessionId } = await browser.send('Target.attachToTarget', { targetId: target.targetId, flatten: true });
        const page = new Page(browser, sessionId, origin, routes);
        await page.send('Fetch.enable', { patterns: [{ urlPattern: '*' }] });
        await page.send('Page.enable');
        await page.send('Runtime.enable');
        await page.send('Emulation.setDeviceMetricsOverride', { width: 420, height: 640, deviceScaleFactor: 1, mobile: false });
        return page;
    }

    constructor(browser, sessionId, origin, routes) {
        this.browser = browser;
        this.sessionId = sessionId;
        this.origin = origin;
        this.routes = routes;
        this.blocked = [];
        this.errors = [];
        browser.on((message) => {
            if (message.sessionId !== sessionId)
                return;
            if (message.method === 'Fetch.requestPaused')
                this.answer(message.params);
            else if (message.method === 'Runtime.exceptionThrown')
                this.errors.push(message.params.exceptionDetails.exception?.description || message.params.exceptionDetails.text);
        });
    }

    send(method, params = {}) {
        return this.browser.send(method, params, this.sessionId);
    }

    answer({ requestId, request }) {
        const url = new URL(request.url);
        if (url.origin !== this.origin) {
            this.blocked.push(request.url);
            this.send('Fetch.failRequest', { requestId, errorReason: 'Aborted' }).catch(() => {});
            return;
        }
        const prefix = Object.keys(this.routes).filter((p) => url.pathname.startsWith(p)).sort((a, b) => b.length - a.length)[0];
        const relative = decodeURIComponent(url.pathname.slice(prefix.length)) || 'index.html';
        const file = path.resolve(this.routes[prefix], relative);
        let body = null;
        if (file.startsWith(path.resolve(this.routes[prefix]) + path.sep)) {
            try {
                if (statSync(file).isFile())
                    body = readFileSync(file);
            } catch (error) {
                body = null;
            }
        }
        const headers = [{ name: 'Content-Type', value: MIME[path.extname(file)] || 'application/octet-stream' }];
        this.send('Fetch.fulfillRequest', body
            ? { requestId, responseCode: 200, responseHeaders: headers, body: body.toString('base64') }
            : { requestId, responseCode: 404, responseHeaders: headers, body: '' }).catch(() => {});
    }

    async addInitScript(source) {
        await this.send('Page.addScriptToEvaluateOnNewDocument', { source });
    }

    async goto(address) {
        await this.send('Page.navigate', { url: this.origin + address });
    }

    async evaluate(expression) {
        const { result, exceptionDetails } = await this.send('Runtime.evaluate', { expression, awaitPromise: true, returnByValue: true });
        if (exceptionDetails)
            throw new Error(`${expression}: ${exceptionDetails.exception?.description || exceptionDetails.text}`);
        return result.value;
    }

    async waitFor(expression, what, timeoutMs = 20000) {
        const until = Date.now() + timeoutMs;
        for (;;) {
            let value;
            try {
                value = await this.evaluate(expression);
            } catch (error) {
                value = undefined;  // the page may be between documents
            }
            if (value)
                return value;
            if (Date.now() > until)
                throw new Error(`timed out waiting for ${what}`);
            await new Promise((resolve) => setTimeout(resolve, 50));
        }
    }

    // A real mouse click in the middle of the element, as the user makes it.
    async click(selector) {
        const box = await this.evaluate(`(() => {
            const element = document.querySelector(${JSON.stringify(selector)});
            if (!element) return null;
            element.scrollIntoView({ block: 'center' });
            const r = element.getBoundingClientRect();
            return { x: r.left + r.width / 2, y: r.top + r.height / 2, disabled: !!element.disabled };
        })()`);
        if (!box)
            throw new Error(`no element ${selector}`);
        if (box.disabled)
            throw new Error(`${selector} is disabled`);
        for (const type of ['mouseMoved', 'mousePressed', 'mouseReleased'])
            await this.send('Input.dispatchMouseEvent', { type, x: box.x, y: box.y, button: 'left', clickCount: 1 });
    }

    async screenshot(file) {
        const { data } = await this.send('Page.captureScreenshot', { format: 'png' });
        return Buffer.from(data, 'base64');
    }
}
