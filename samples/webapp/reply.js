// @ts-check
'use strict';
// Reading the add-on's replies. Plain JavaScript with JSDoc types (see acapi.d.ts); no build step.

/**
 * @typedef {object} PlacementResult
 * @property {number | null} status   0 for success; null when the text is not a placement reply
 * @property {{ key: string, value: string }[]} entries   the key=value diagnostics, in order
 * @property {string[]} words   the other diagnostics, such as "(prazdne)" or "zadne vrstvy"
 */

/**
 * A placement reply "kod=N key=value …" as its status and its diagnostics. Entries are separated
 * by blanks; a value runs up to the next blank; a token in parentheses is a word.
 * @param {Landfetch.PlacementReply | null | undefined} reply
 * @returns {PlacementResult}
 */
function parsePlacementReply(reply) {
    /** @type {PlacementResult} */
    const result = { status: null, entries: [], words: [] };
    const match = /^kod=(-?\d+)(?: |$)/.exec(typeof reply === 'string' ? reply : '');
    if (!match || typeof reply !== 'string')
        return result;
    result.status = Number(match[1]);
    for (const token of reply.slice(match[0].length).split(' ')) {
        if (!token)
            continue;
        const equals = token.indexOf('=');
        if (equals > 0 && !token.startsWith('('))
            result.entries.push({ key: token.slice(0, equals), value: token.slice(equals + 1) });
        else
            result.words.push(token);
    }
    return result;
}

/**
 * A JSON reply (GetAttributes, GetSurveyPoint, ChooseSaveFile, SaveTextFile, SetProjectInfo) parsed
 * into its type; null when it is missing or not JSON.
 * @template T
 * @param {Landfetch.Json<T> | null | undefined} reply
 * @returns {T | null}
 */
function parseJsonReply(reply) {
    try {
        return typeof reply === 'string' ? JSON.parse(reply) : null;
    } catch (error) {
        return null;
    }
}
