#!/usr/bin/env node
// Parses every SQL Server statement text of the sources as T-SQL.
//
// The texts are the raw string literals with delimiter mssql (R"mssql(...)mssql") in the .cpp
// and .h files under the repository root. Each must parse with node-sql-parser's TransactSQL
// grammar into select, insert, update or delete statements only: the parser accepts some
// garbage as other statement kinds ("SELEC A FROM T" parses as an assignment).
//
// Usage: node check.js [--root DIR]   check the sources (default: the repository root)
//        node check.js --self-test    prove that the check finds broken texts
// Prints one line per failure as file:line: message and exits 1 when any text fails.

'use strict';

const fs = require('fs');
const os = require('os');
const path = require('path');
const { Parser } = require('node-sql-parser');

const ALLOWED_TYPES = new Set(['select', 'insert', 'update', 'delete', 'set']);
const OUTPUT_CLAUSE = /\bOUTPUT\s+(?:INSERTED|DELETED)\.\w+(?:\s*,\s*(?:INSERTED|DELETED)\.\w+)*(?=\s)/gi;
const SOURCE_EXTENSIONS = new Set(['.cpp', '.h']);
const RAW_STRING = /R"mssql\(([\s\S]*?)\)mssql"/g;

function isSkippedDir(name) {
  return name === '.git' || name === 'node_modules' || name === 'out' || name.startsWith('build');
}

function sourceFiles(dir) {
  const files = [];
  for (const entry of fs.readdirSync(dir, { withFileTypes: true })) {
    const full = path.join(dir, entry.name);
    if (entry.isDirectory()) {
      if (!isSkippedDir(entry.name)) files.push(...sourceFiles(full));
    } else if (entry.isFile() && SOURCE_EXTENSIONS.has(path.extname(entry.name))) {
      files.push(full);
    }
  }
  return files.sort();
}

function lineAt(text, offset) {
  let line = 1;
  for (let i = 0; i < offset; i++) if (text.charCodeAt(i) === 10) line++;
  return line;
}

// Every mssql raw string of a file, with the line where its statement text starts.
function extractTexts(file) {
  const content = fs.readFileSync(file, 'utf8');
  const texts = [];
  for (const match of content.matchAll(RAW_STRING)) {
    texts.push({ file, line: lineAt(content, match.index), sql: match[1] });
  }
  return texts;
}

function describeParseError(error) {
  const where = error.location && error.location.start;
  const found = error.found === null ? 'end of text' : JSON.stringify(error.found);
  if (where && error.found !== undefined) {
    return { lineOffset: where.line - 1, message: `syntax error at ${found} (column ${where.column})` };
  }
  return { lineOffset: 0, message: String(error.message).split('\n')[0].slice(0, 200) };
}

// Returns null when the text is a valid statement, else { lineOffset, message }.
function checkText(parser, sql) {
  if (sql.trim() === '') return { lineOffset: 0, message: 'empty statement text' };
  let ast;
  try {
    ast = parser.astify(sql.replace(OUTPUT_CLAUSE, ''), { database: 'TransactSQL' });
  } catch (error) {
    return describeParseError(error);
  }
  const nodes = Array.isArray(ast) ? ast : [ast];
  for (const node of nodes) {
    const type = node && node.type;
    if (!ALLOWED_TYPES.has(type)) {
      return { lineOffset: 0, message: `not a select, insert, update, delete or set (parsed as ${type})` };
    }
  }
  return null;
}

function checkTree(root) {
  const parser = new Parser();
  const failures = [];
  let count = 0;
  for (const file of sourceFiles(root)) {
    for (const text of extractTexts(file)) {
      count++;
      const failure = checkText(parser, text.sql);
      if (failure) {
        const where = `${path.relative(root, text.file)}:${text.line + failure.lineOffset}`;
        failures.push(`${where}: ${failure.message}`);
      }
    }
  }
  return { count, failures };
}

const SELF_TEST_SOURCE = [
  '// fixture',
  'const char* kGood = R"mssql(SELECT A FROM T WHERE B = :P_B AND C = :P_B)mssql";',
  'const char* kUpdate = R"mssql(UPDATE T',
  '  SET A = :P_A',
  '  WHERE B = :P_B)mssql";',
  'const char* kUnclosed = R"mssql(SELECT (A FROM T)mssql";',
  'const char* kDoubleEquals = R"mssql(UPDATE T SET A = = 1)mssql";',
  'const char* kTrailingComma = R"mssql(SELECT A, FROM T)mssql";',
  'const char* kGarbage = R"mssql(SELEC A FROM T)mssql";',
  'const char* kSqlite = R"sqlite(SELECT A FROM T LIMIT 1)sqlite";',
  'const char* kOutput = R"mssql(UPDATE T WITH (HOLDLOCK) SET N = N + 1 OUTPUT INSERTED.N WHERE C = :P_C)mssql";',
  'const char* kSession = R"mssql(SET ANSI_NULLS ON)mssql";',
  'const char* kBadOutput = R"mssql(UPDATE T SET N = 1 OUTPUT INSERTED.N WHER C = 1)mssql";',
  '',
].join('\n');

function selfTest() {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'tsql-check-'));
  try {
    const empty = checkTree(dir);
    fs.mkdirSync(path.join(dir, 'src'));
    fs.writeFileSync(path.join(dir, 'src', 'sample.cpp'), SELF_TEST_SOURCE);
    fs.mkdirSync(path.join(dir, 'build-x'));
    fs.writeFileSync(path.join(dir, 'build-x', 'ignored.h'), 'R"mssql(SELEC)mssql"');
    const sample = checkTree(dir);
    const failedLines = sample.failures.map((f) => f.split(': ')[0]);
    const expected = ['6', '7', '8', '9', '13'].map((n) => path.join('src', 'sample.cpp') + ':' + n);
    const problems = [];
    if (empty.count !== 0 || empty.failures.length !== 0) problems.push('an empty tree must pass');
    if (sample.count !== 9) problems.push(`expected 9 texts, found ${sample.count}`);
    if (JSON.stringify(failedLines) !== JSON.stringify(expected)) {
      problems.push(`expected failures at ${expected.join(', ')}; got:\n  ${sample.failures.join('\n  ')}`);
    }
    return problems;
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

function main(argv) {
  if (argv.includes('--self-test')) {
    const problems = selfTest();
    for (const problem of problems) console.error(`self-test: ${problem}`);
    console.log(problems.length === 0 ? 'tsql-check self-test passed' : 'tsql-check self-test FAILED');
    return problems.length === 0 ? 0 : 1;
  }
  const rootIndex = argv.indexOf('--root');
  const root = rootIndex >= 0 ? path.resolve(argv[rootIndex + 1]) : path.resolve(__dirname, '..', '..');
  const { count, failures } = checkTree(root);
  for (const failure of failures) console.error(failure);
  console.log(`${count} SQL Server texts checked, ${failures.length} failed`);
  return failures.length === 0 ? 0 : 1;
}

process.exitCode = main(process.argv.slice(2));
