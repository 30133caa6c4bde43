// Prints, as JSON, the functions each build's ACAPI type declares:
// {"27": ["GetVersion", …], "28": […], …}, each in declaration order.
// Usage: node declared-functions.mjs TYPESCRIPT_FOLDER acapi.d.ts VERSIONS
// VERSIONS: the host API versions of the module builds, comma-separated ("27,28,29,30").
import { createRequire } from 'node:module';
import path from 'node:path';

const [typescriptFolder, declarations, versions] = process.argv.slice(2);
if (!typescriptFolder || !declarations || !versions) {
    console.error('usage: node declared-functions.mjs TYPESCRIPT_FOLDER acapi.d.ts VERSIONS');
    process.exit(2);
}
const ts = createRequire(import.meta.url)(path.resolve(typescriptFolder));

const program = ts.createProgram([declarations], { noEmit: true, types: [], lib: ['lib.es2022.d.ts', 'lib.dom.d.ts'] });
const diagnostics = ts.getPreEmitDiagnostics(program);
if (diagnostics.length > 0) {
    console.error(ts.formatDiagnostics(diagnostics, {
        getCanonicalFileName: (name) => name, getCurrentDirectory: () => process.cwd(), getNewLine: () => '\n',
    }));
    process.exit(1);
}
const checker = program.getTypeChecker();
const source = program.getSourceFile(declarations);
const namespace = source.statements.find((statement) => ts.isModuleDeclaration(statement) && statement.name.text === 'Landfetch');
const aliases = new Map();
for (const statement of namespace.body.statements) {
    if (ts.isTypeAliasDeclaration(statement))
        aliases.set(statement.name.text, statement);
}
const declared = {};
for (const api of versions.split(',').map(Number)) {
    const alias = aliases.get(`ACAPI${api}`);
    if (!alias) {
        console.error(`Landfetch.ACAPI${api} is not declared`);
        process.exit(1);
    }
    const type = checker.getTypeAtLocation(alias.name);
    declared[api] = checker.getPropertiesOfType(type)
        .filter((property) => checker.getTypeOfSymbolAtLocation(property, alias).getCallSignatures().length > 0)
        .map((property) => property.name);
}
console.log(JSON.stringify(declared));
